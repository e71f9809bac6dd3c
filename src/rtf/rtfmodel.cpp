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

std::u16string roman(int n, bool upper)
{
    static const struct {
        int value;
        const char *digits;
    } parts[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
                 {50, "l"}, {40, "xl"}, {10, "x"}, {9, "ix"}, {5, "v"}, {4, "iv"}, {1, "i"}};
    std::u16string out;
    for (const auto &part : parts) {
        for (; n >= part.value; n -= part.value)
            for (const char *d = part.digits; *d; ++d)
                out += char16_t(upper ? *d - 'a' + 'A' : *d);
    }
    return out;
}

// a..z, then aa..zz, aaa..., as word processors count letters.
std::u16string letters(int n, bool upper)
{
    const int repeat = (n - 1) / 26 + 1;
    const char16_t c = char16_t((upper ? u'A' : u'a') + (n - 1) % 26);
    return std::u16string(std::size_t(std::min(repeat, 16)), c);
}

} // namespace

std::u16string numberLabel(const Numbering &numbering, int index)
{
    using Style = Numbering::Style;
    if (numbering.style == Style::Bullet)
        return u"\u2022";
    // Romans beyond a few thousand and letters far down the alphabet stop making sense;
    // numbers stay within what a 32-bit counter holds.
    const long long n = std::clamp<long long>((long long)numbering.start + index, 0, 0x7FFFFFFF);
    std::u16string label;
    switch (numbering.style) {
    case Style::LowerLetter:
    case Style::UpperLetter:
        label = n > 0 ? letters(int(std::min(n, 26LL * 16)), numbering.style == Style::UpperLetter) : u"0";
        break;
    case Style::LowerRoman:
    case Style::UpperRoman:
        label = n > 0 && n < 4000 ? roman(int(n), numbering.style == Style::UpperRoman) : std::u16string();
        if (!label.empty())
            break;
        [[fallthrough]];
    default:
        for (char c : std::to_string(n))
            label += char16_t(c);
        break;
    }
    return label + u'.';
}

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

bool continuesList(const Paragraph &previous, const Paragraph &p)
{
    return previous.bullet && p.bullet && previous.numbering.style == p.numbering.style
           && previous.numbering.start == p.numbering.start && !p.numbering.restart;
}

void appendNote(Paragraph &paragraph, std::u16string mark, Note note, const CharFormat &format)
{
    if (mark.empty())
        mark = u"*";
    paragraph.runs.push_back(Run{std::move(mark), format, std::nullopt, std::move(note)});
}

void appendText(Paragraph &paragraph, std::u16string_view text, const CharFormat &format)
{
    if (text.empty())
        return;
    if (!paragraph.runs.empty() && !paragraph.runs.back().picture && !paragraph.runs.back().note
        && paragraph.runs.back().format == format)
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
            if (run.picture || run.note)
                paragraph.runs.push_back(std::move(run));
            else
                appendText(paragraph, run.text, run.format);
        }
    }
}

} // namespace velmo::rtf
