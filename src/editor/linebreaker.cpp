#include "editor/linebreaker.h"

#include "editor/punctuation.h"
#include "editor/wordwrapoption.h"

#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <vector>

namespace velmo::editor {

BreakRules breakRulesFor(unsigned modeWord, const std::array<QString, 4> &custom)
{
    BreakRules rules;
    const int level = punctuationLevel(modeWord);
    auto set = [&](int type) {
        return level == 0 ? custom[std::size_t(type - 1)] : builtInPunctuation(level, type);
    };
    rules.following = set(1);
    rules.leading = set(2);
    rules.overflow = set(3);
    rules.delimiter = set(4);
    rules.hang = (modeWord & WBF_OVERFLOW) != 0;
    rules.wordBreak = (modeWord & WBF_WORDBREAK) != 0;
    return rules;
}

namespace {

// A punctuation set as sorted code points, so that characters outside the BMP count as one.
class CodePointSet {
public:
    explicit CodePointSet(const QString &text)
    {
        for (const char32_t c : text.toUcs4())
            m_points.push_back(c);
        std::sort(m_points.begin(), m_points.end());
    }
    bool contains(char32_t c) const { return std::binary_search(m_points.begin(), m_points.end(), c); }

private:
    std::vector<char32_t> m_points;
};

// Characters that end a display line whatever the width (a soft line break in rich text).
bool isForcedEnd(char32_t c)
{
    return c == u'\n' || c == 0x2028 || c == 0x2029;
}

// White space hangs at the end of a line and never starts one, as Qt lays it out. The
// no-break spaces belong to the text around them.
bool isSpace(char32_t c)
{
    if (c == 0x00A0 || c == 0x2007 || c == 0x202F || isForcedEnd(c))
        return false;
    return QChar::isSpace(c);
}

// Scripts written without spaces, full-width forms, symbols and inline objects: a line
// may break between any two of them (the punctuation sets permitting).
bool breaksAnywhere(char32_t c)
{
    return (c >= 0x1100 && c <= 0x11FF)     // Hangul jamo
        || (c >= 0x2E80 && c <= 0xA4CF)     // CJK radicals, symbols, kana, ideographs, Yi
        || (c >= 0xAC00 && c <= 0xD7AF)     // Hangul syllables
        || (c >= 0xF900 && c <= 0xFAFF)     // compatibility ideographs
        || (c >= 0xFE30 && c <= 0xFE4F)     // CJK compatibility forms
        || (c >= 0xFF00 && c <= 0xFFEF)     // half-width and full-width forms
        || c == 0xFFFC                      // an inline object
        || (c >= 0x1F000 && c <= 0x1FAFF)   // emoji and pictographs
        || (c >= 0x20000 && c <= 0x3FFFF);  // ideographs beyond the BMP
}

// Lays the lines of one paragraph. The text is the layout's own, pre-edit text included,
// because that is what Qt's positions count. Where Qt's text runs longer (a mark it adds
// at a block's end) the rules see nothing and Qt's own end stands.
class Breaker {
public:
    Breaker(QTextLayout &layout, const QString &text, const BreakRules &rules, qreal overflow)
        : m_layout(layout)
        , m_text(withPreedit(layout, text))
        , m_following(rules.following)
        , m_leading(rules.leading)
        , m_overflow(rules.overflow)
        , m_delimiter(rules.delimiter)
        , m_hang(rules.hang && overflow > 0)
        , m_wordBreak(rules.wordBreak)
        , m_overflowAllowance(overflow)
    {
    }

    int length() const { return int(m_text.size()); }

    // Lays `line`, which starts at `start`, in `width`; returns where the next one starts.
    int layLine(QTextLine &line, int start, qreal width)
    {
        line.setLineWidth(width);
        const int fit = start + line.textLength();
        if (fit <= start || fit >= length() || isForcedEnd(codePointBefore(fit)))
            return fit;
        if (m_hang && m_overflow.contains(codePointAt(fit))) {
            // The character that would start the next line hangs into the allowance, with
            // any spaces after it, when it fits there and the break after it is allowed.
            const int after = nextBoundary(fit);
            int end = after;
            while (end < length() && isSpace(codePointAt(end)))
                end = nextBoundary(end);
            const bool forced = end < length() && isForcedEnd(codePointAt(end));
            if (forced)
                ++end; // the line ends there anyway: no empty line after the hanging mark
            if (forced || end >= length() || allowed(start, end, m_wordBreak)) {
                line.setLineWidth(width + m_overflowAllowance);
                if (start + line.textLength() >= after)
                    return place(line, start, std::min(end, start + line.textLength()));
                line.setLineWidth(width);
            }
        }
        // Move the break back to the nearest place the rules allow; a Latin word wider
        // than the line is broken after all, and when nothing in the line is allowed (a
        // run of closing marks longer than a line) the line breaks where it is full.
        const bool passes[] = {true, false};
        for (const bool keepWords : passes) {
            if (!keepWords && !m_wordBreak)
                break;
            for (int p = fit; p > start; --p) {
                if (m_layout.isValidCursorPosition(p) && allowed(start, p, keepWords && m_wordBreak))
                    return place(line, start, p);
            }
        }
        return fit;
    }

private:
    static QString withPreedit(const QTextLayout &layout, QString text)
    {
        if (!layout.preeditAreaText().isEmpty())
            text.insert(std::clamp(layout.preeditAreaPosition(), 0, int(text.size())), layout.preeditAreaText());
        return text;
    }

    char32_t codePointAt(int p) const
    {
        const QChar c = m_text.at(p);
        if (c.isHighSurrogate() && p + 1 < length() && m_text.at(p + 1).isLowSurrogate())
            return QChar::surrogateToUcs4(c, m_text.at(p + 1));
        return c.unicode();
    }

    char32_t codePointBefore(int p) const
    {
        const QChar c = m_text.at(p - 1);
        if (c.isLowSurrogate() && p >= 2 && m_text.at(p - 2).isHighSurrogate())
            return QChar::surrogateToUcs4(m_text.at(p - 2), c);
        return c.unicode();
    }

    int nextBoundary(int p) const
    {
        do
            ++p;
        while (p < length() && !m_layout.isValidCursorPosition(p));
        return p;
    }

    bool isWordChar(char32_t c) const
    {
        return !isSpace(c) && !isForcedEnd(c) && !breaksAnywhere(c) && !m_delimiter.contains(c);
    }

    // May a line that starts at `start` end at `p` (a grapheme boundary inside the text)?
    bool allowed(int start, int p, bool keepWords) const
    {
        const char32_t next = codePointAt(p);
        if (isSpace(next) || m_following.contains(next))
            return false;
        int q = p;
        while (q > start && isSpace(codePointBefore(q)))
            --q;
        if (q == start)
            return true; // only white space before: a paragraph's leading spaces
        const char32_t last = codePointBefore(q);
        if (m_leading.contains(last))
            return false;
        // A word delimiter stays with the word before it.
        if (keepWords && q == p && isWordChar(last) && (isWordChar(next) || m_delimiter.contains(next)))
            return false;
        return true;
    }

    // Lays the line again so that it ends exactly at `end`, which lies inside what it holds
    // now: as wide as the characters up to `end`, plus most of the next one's advance so
    // that a glyph reaching past its advance does not push the last character down.
    int place(QTextLine &line, int start, int end)
    {
        const int current = start + line.textLength();
        if (end >= current)
            return current;
        const qreal x0 = line.cursorToX(start);
        const qreal x1 = line.cursorToX(end);
        const qreal next = line.cursorToX(nextBoundary(end)) - x1;
        constexpr qreal unit = 1.0 / 64; // Qt's fixed-point step
        line.setLineWidth(std::max<qreal>(0, x1 - x0) + std::max<qreal>(0, next - unit));
        return start + line.textLength();
    }

    QTextLayout &m_layout;
    const QString m_text;
    const CodePointSet m_following, m_leading, m_overflow, m_delimiter;
    const bool m_hang;
    const bool m_wordBreak;
    const qreal m_overflowAllowance;
};

} // namespace

int breakLines(QTextLayout &layout, const BreakGeometry &geometry, const BreakRules &rules)
{
    return breakLines(layout, geometry, rules, layout.text());
}

int breakLines(QTextLayout &layout, const BreakGeometry &geometry, const BreakRules &rules, const QString &text)
{
    // The breaks are chosen here; Qt only measures. It fills each line up to the width at
    // any grapheme boundary, then the line is laid again where the rules put the break.
    // Left alignment while breaking keeps Qt's x positions free of justification.
    const QTextOption callersOption = layout.textOption();
    QTextOption option = callersOption;
    option.setWrapMode(geometry.width < 0 ? QTextOption::NoWrap : QTextOption::WrapAnywhere);
    option.setAlignment(Qt::AlignLeft);
    layout.setTextOption(option);

    Breaker breaker(layout, text, rules, geometry.overflow);
    layout.beginLayout();
    qreal y = 0;
    int count = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        const qreal indent = count == 0 ? geometry.firstLineIndent : 0;
        if (geometry.width < 0)
            line.setNumColumns(INT_MAX); // up to the next forced line end
        else
            breaker.layLine(line, line.textStart(), std::max<qreal>(0, geometry.width - indent));
        line.setPosition(QPointF(indent, y));
        y += line.height();
        ++count;
    }
    layout.endLayout();
    layout.setTextOption(callersOption);
    return std::max(count, 1);
}

} // namespace velmo::editor
