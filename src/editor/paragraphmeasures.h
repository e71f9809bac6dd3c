// What a text tells of each of its paragraphs before a document holds it: the bytes the
// paragraph takes in the file, its paragraph end included (for the byte index), and its
// characters by width and its line breaks (for the layout's estimates).
//
// Opening a large text file measures its paragraphs on a second thread while Qt builds the
// document from the same text, so the byte index and the layout start from these figures
// instead of reading the whole document again.
#pragma once

#include "editor/lineends.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmo::editor {

// The characters of one paragraph as the layout's estimates count them.
struct TextCounts {
    std::int64_t wide = 0;   // CJK and full-width forms: about an em each
    std::int64_t narrow = 0; // everything else but line breaks and the second half of a pair
    std::int64_t breaks = 0; // line breaks inside the paragraph (U+2028)
};
TextCounts countText(std::u16string_view text);

struct ParagraphMeasures {
    std::vector<std::int64_t> bytes;
    std::vector<TextCounts> counts;
    bool empty() const { return bytes.empty(); }
    std::size_t size() const { return bytes.size(); }
};

// text: the paragraphs joined by LF, as Qt takes plain text; ends: the form of each
// paragraph end (SplitText). A paragraph ends where Qt starts a new block: at LF, U+2029
// and the frame marks.
ParagraphMeasures measureParagraphs(std::u16string_view text, const std::vector<LineEnd> &ends);

} // namespace velmo::editor
