#include "editor/paragraphmeasures.h"

#include "editor/positionindex.h"
#include "editor/textchars.h"

#include <QChar>

namespace velmo::editor {

namespace {

bool wideChar(char16_t c)
{
    // CJK and full-width forms take about an em; half-width katakana do not.
    return c >= 0x2E80 && !(c >= 0xFF61 && c <= 0xFFDC) && !(c >= 0xD800 && c <= 0xDFFF);
}

bool startsBlock(char16_t c)
{
    // What QTextCursor::insertText turns into a new block.
    return c == u'\n' || c == kParagraphBreak || c == 0xFDD0 || c == 0xFDD1;
}

} // namespace

TextCounts countText(std::u16string_view text)
{
    TextCounts out;
    for (const char16_t c : text) {
        if (c == kLineBreak)
            ++out.breaks;
        else if (wideChar(c))
            ++out.wide;
        else if (!(c >= 0xDC00 && c <= 0xDFFF))
            ++out.narrow;
    }
    return out;
}

ParagraphMeasures measureParagraphs(std::u16string_view text, const std::vector<LineEnd> &ends)
{
    ParagraphMeasures out;
    out.bytes.reserve(ends.size() + 1);
    out.counts.reserve(ends.size() + 1);
    std::size_t from = 0;
    for (std::size_t i = 0;; ++i) {
        if (i < text.size() && !startsBlock(text[i]))
            continue;
        const std::u16string_view paragraph = text.substr(from, i - from);
        std::int64_t bytes = byteLength(paragraph);
        const std::size_t number = out.bytes.size();
        if (i < text.size())
            bytes += lineEndBytes(number < ends.size() ? ends[number] : LineEnd::CrLf);
        out.bytes.push_back(bytes);
        out.counts.push_back(countText(paragraph));
        if (i >= text.size())
            break;
        from = i + 1;
    }
    return out;
}

} // namespace velmo::editor
