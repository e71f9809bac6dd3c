#include "rtf/rtfmodel.h"

#include <algorithm>
#include <map>

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

std::u16string numberText(Numbering::Style style, long long number)
{
    using Style = Numbering::Style;
    if (style == Style::Bullet)
        return {};
    // Romans beyond a few thousand and letters far down the alphabet stop making sense;
    // numbers stay within what a 32-bit counter holds.
    const long long n = std::clamp<long long>(number, 0, 0x7FFFFFFF);
    std::u16string label;
    switch (style) {
    case Style::LowerLetter:
    case Style::UpperLetter:
        label = n > 0 ? letters(int(std::min(n, 26LL * 16)), style == Style::UpperLetter) : u"0";
        break;
    case Style::LowerRoman:
    case Style::UpperRoman:
        label = n > 0 && n < 4000 ? roman(int(n), style == Style::UpperRoman) : std::u16string();
        if (!label.empty())
            break;
        [[fallthrough]];
    default:
        if (style == Style::DecimalZero && n < 10)
            label += u'0';
        for (char c : std::to_string(n))
            label += char16_t(c);
        break;
    }
    return label;
}

std::u16string numberLabel(const Numbering &numbering, int index)
{
    if (numbering.style == Numbering::Style::Bullet)
        return u"\u2022";
    return numberText(numbering.style, (long long)numbering.start + index) + u'.';
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

namespace {

bool continuesNumbering(const Numbering &previous, const Numbering &n)
{
    if (n.list != 0 || previous.list != 0)
        return n.list == previous.list;
    return previous.style == n.style && previous.start == n.start && !n.restart;
}

} // namespace

bool continuesList(const Paragraph &previous, const Paragraph &p)
{
    return previous.bullet && p.bullet && continuesNumbering(previous.numbering, p.numbering);
}

std::u16string ListNumberer::next(const Paragraph &p)
{
    if (!p.bullet) {
        m_previous.reset();
        return {};
    }
    const Numbering &n = p.numbering;
    const std::size_t at = std::size_t(std::clamp(n.level, 0, kListLevels - 1));
    // A list without an id is the run of adjacent items, on one level; a list with one keeps
    // the count of each of its levels, and an item restarts the deeper ones.
    std::vector<Level> adjacent;
    std::vector<Level> *levels = &adjacent;
    long long count = 0;
    if (n.list == 0) {
        m_adjacentIndex = m_previous && continuesNumbering(*m_previous, n) ? m_adjacentIndex + 1 : 0;
        adjacent.resize(kListLevels);
        count = m_adjacentIndex;
    } else {
        auto list = std::find_if(m_lists.begin(), m_lists.end(), [&](const auto &l) { return l.first == n.list; });
        if (list == m_lists.end())
            list = m_lists.emplace(m_lists.end(), n.list, std::vector<Level>(kListLevels));
        levels = &list->second;
        count = (*levels)[at].seen ? (*levels)[at].count + 1 : 0;
        for (std::size_t deeper = at + 1; deeper < levels->size(); ++deeper)
            (*levels)[deeper].seen = false;
    }
    m_previous = n;
    (*levels)[at] = Level{true, count, n};
    if (n.format.empty())
        return numberLabel(n, int(std::min<long long>(count, 0x7FFFFFFF)));
    std::u16string label;
    for (char16_t c : n.format) {
        if (c >= kListLevels) {
            label += c;
            continue;
        }
        // A level that has no item yet shows its first number.
        const Level &shown = (*levels)[c];
        const Numbering &numbering = shown.seen ? shown.numbering : n;
        label += numberText(numbering.style == Numbering::Style::Bullet ? Numbering::Style::Decimal : numbering.style,
                            (long long)numbering.start + (shown.seen ? shown.count : 0));
    }
    return label;
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

namespace {

void numberFrames(std::vector<Paragraph> &paragraphs, int &count)
{
    int before = 0;    // the frame of the paragraph before, as it was numbered
    int numbered = 0;  // and as it is numbered now
    for (Paragraph &p : paragraphs) {
        for (Run &r : p.runs)
            if (r.note)
                numberFrames(r.note->paragraphs, count);
        const int frame = p.frame;
        if (frame != 0)
            p.frame = frame == before ? numbered : ++count;
        before = frame;
        numbered = p.frame;
    }
}

void numberLists(std::vector<Paragraph> &paragraphs, std::map<int, int> &numbers)
{
    for (Paragraph &p : paragraphs) {
        for (Run &r : p.runs)
            if (r.note)
                numberLists(r.note->paragraphs, numbers);
        if (p.numbering.list != 0)
            p.numbering.list = numbers.try_emplace(p.numbering.list, int(numbers.size()) + 1).first->second;
    }
}

} // namespace

void numberLists(Document &document)
{
    std::map<int, int> numbers; // as read -> in order
    numberLists(document.paragraphs, numbers);
}

void numberFrames(Document &document)
{
    int count = 0;
    numberFrames(document.paragraphs, count);
}

} // namespace velmo::rtf
