// The characters the text document stores where a line or a paragraph ends.
#pragma once

#include <QChar>

namespace velmo::editor {

// A line break inside a paragraph (U+2028): the document's form of '\v' (Shift+Enter).
inline constexpr char16_t kLineBreak = QChar::LineSeparator;
// A paragraph end as the document's selected text shows it (U+2029).
inline constexpr char16_t kParagraphBreak = QChar::ParagraphSeparator;

} // namespace velmo::editor
