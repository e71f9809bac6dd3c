// The characters the text document stores where a line or a paragraph ends.
#pragma once

#include <QChar>
#include <QStringView>
#include <string_view>

namespace velmo::editor {

// A line break inside a paragraph (U+2028): the document's form of '\v' (Shift+Enter).
inline constexpr char16_t kLineBreak = QChar::LineSeparator;
// A paragraph end as the document's selected text shows it (U+2029).
inline constexpr char16_t kParagraphBreak = QChar::ParagraphSeparator;

// Qt's text as the standard library's view of the same UTF-16 units.
inline std::u16string_view textView(QStringView text)
{
    return {reinterpret_cast<const char16_t *>(text.utf16()), std::size_t(text.size())};
}

} // namespace velmo::editor
