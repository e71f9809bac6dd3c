#include "rtf/rtfmodel.h"

namespace velmo::rtf {

std::u16string Paragraph::text() const
{
    std::u16string out;
    for (const Run &run : runs)
        out += run.text;
    return out;
}

std::u16string Document::plainText() const
{
    std::u16string out;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            out += u'\n';
        out += paragraphs[i].text();
    }
    return out;
}

void appendText(Paragraph &paragraph, std::u16string_view text, const CharFormat &format)
{
    if (text.empty())
        return;
    if (!paragraph.runs.empty() && paragraph.runs.back().format == format)
        paragraph.runs.back().text += text;
    else
        paragraph.runs.push_back(Run{std::u16string(text), format});
}

void normalize(Document &document)
{
    for (Paragraph &paragraph : document.paragraphs) {
        std::vector<Run> runs = std::move(paragraph.runs);
        paragraph.runs.clear();
        for (const Run &run : runs)
            appendText(paragraph, run.text, run.format);
    }
}

} // namespace velmo::rtf
