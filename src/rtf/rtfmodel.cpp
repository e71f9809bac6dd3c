#include "rtf/rtfmodel.h"

#include <algorithm>

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

namespace {

int scaled(int twips, int percent)
{
    const long long v = (long long)twips * (percent > 0 ? percent : 100) / 100;
    return int(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

// A picture with no goal size is shown at its own size in pixels, 15 twips each.
constexpr int kTwipsPerPixel = 15;

} // namespace

int Picture::shownWidthTwips() const
{
    return scaled(goalWidthTwips > 0 ? goalWidthTwips : int(std::min<long long>((long long)width * kTwipsPerPixel, 0x7FFFFFFF)), scaleX);
}

int Picture::shownHeightTwips() const
{
    return scaled(goalHeightTwips > 0 ? goalHeightTwips : int(std::min<long long>((long long)height * kTwipsPerPixel, 0x7FFFFFFF)), scaleY);
}

void appendPicture(Paragraph &paragraph, Picture picture, const CharFormat &format)
{
    paragraph.runs.push_back(Run{std::u16string(1, kObjectCharacter), format, std::move(picture)});
}

void appendText(Paragraph &paragraph, std::u16string_view text, const CharFormat &format)
{
    if (text.empty())
        return;
    if (!paragraph.runs.empty() && !paragraph.runs.back().picture && paragraph.runs.back().format == format)
        paragraph.runs.back().text += text;
    else
        paragraph.runs.push_back(Run{std::u16string(text), format});
}

void normalize(Document &document)
{
    for (Paragraph &paragraph : document.paragraphs) {
        std::vector<Run> runs = std::move(paragraph.runs);
        paragraph.runs.clear();
        for (Run &run : runs) {
            if (run.picture)
                paragraph.runs.push_back(std::move(run));
            else
                appendText(paragraph, run.text, run.format);
        }
    }
}

} // namespace velmo::rtf
