#include "editor/linebreaker.h"

#include "editor/punctuation.h"
#include "editor/wordwrapoption.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>
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

char32_t codePointAt(const QString &text, int p)
{
    const QChar c = text.at(p);
    if (c.isHighSurrogate() && p + 1 < text.size() && text.at(p + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(p + 1));
    return c.unicode();
}

char32_t codePointBefore(const QString &text, int p)
{
    const QChar c = text.at(p - 1);
    if (c.isLowSurrogate() && p >= 2 && text.at(p - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(p - 2), c);
    return c.unicode();
}

// The sets in force, ready for lookups, and the question every breaker asks of them.
class Rules {
public:
    Rules(const BreakRules &rules, qreal overflow)
        : following(rules.following)
        , leading(rules.leading)
        , overflow(rules.overflow)
        , delimiter(rules.delimiter)
        , hang(rules.hang && overflow > 0)
        , wordBreak(rules.wordBreak)
        , overflowAllowance(overflow)
    {
    }

    bool isWordChar(char32_t c) const
    {
        return !isSpace(c) && !isForcedEnd(c) && !breaksAnywhere(c) && !delimiter.contains(c);
    }

    // May a line of `text` that starts at `start` end at `p` (a grapheme boundary inside
    // the text)?
    bool allowed(const QString &text, int start, int p, bool keepWords) const
    {
        const char32_t next = codePointAt(text, p);
        if (isSpace(next) || following.contains(next))
            return false;
        int q = p;
        while (q > start && isSpace(codePointBefore(text, q)))
            --q;
        if (q == start)
            return true; // only white space before: a paragraph's leading spaces
        const char32_t last = codePointBefore(text, q);
        if (leading.contains(last))
            return false;
        // A word delimiter stays with the word before it.
        if (keepWords && q == p && isWordChar(last) && (isWordChar(next) || delimiter.contains(next)))
            return false;
        return true;
    }

    const CodePointSet following, leading, overflow, delimiter;
    const bool hang;
    const bool wordBreak;
    const qreal overflowAllowance;
};

// Lays the lines of one paragraph. The text is the layout's own, pre-edit text included,
// because that is what Qt's positions count. Where Qt's text runs longer (a mark it adds
// at a block's end) the rules see nothing and Qt's own end stands.
class Breaker {
public:
    Breaker(QTextLayout &layout, const QString &text, const BreakRules &rules, qreal overflow)
        : m_layout(layout), m_text(withPreedit(layout, text)), m_rules(rules, overflow)
    {
    }

    int length() const { return int(m_text.size()); }

    // Lays `line`, which starts at `start`, in `width`; returns where the next one starts.
    int layLine(QTextLine &line, int start, qreal width)
    {
        line.setLineWidth(width);
        const int fit = start + line.textLength();
        if (fit <= start || fit >= length() || isForcedEnd(codePointBefore(m_text, fit)))
            return fit;
        if (m_rules.hang && m_rules.overflow.contains(codePointAt(m_text, fit))) {
            // The character that would start the next line hangs into the allowance, with
            // any spaces after it, when it fits there and the break after it is allowed.
            const int after = nextBoundary(fit);
            int end = after;
            while (end < length() && isSpace(codePointAt(m_text, end)))
                end = nextBoundary(end);
            const bool forced = end < length() && isForcedEnd(codePointAt(m_text, end));
            if (forced)
                ++end; // the line ends there anyway: no empty line after the hanging mark
            if (forced || end >= length() || m_rules.allowed(m_text, start, end, m_rules.wordBreak)) {
                line.setLineWidth(width + m_rules.overflowAllowance);
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
            if (!keepWords && !m_rules.wordBreak)
                break;
            for (int p = fit; p > start; --p) {
                if (m_layout.isValidCursorPosition(p) && m_rules.allowed(m_text, start, p, keepWords && m_rules.wordBreak))
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

    int nextBoundary(int p) const
    {
        do
            ++p;
        while (p < length() && !m_layout.isValidCursorPosition(p));
        return p;
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
    const Rules m_rules;
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

namespace velmo::editor {

namespace {

// Characters whose shaped advance is their own advance plus the pair kerning: no combining
// marks, joiners, controls, tabs, surrogates, soft hyphens or right-to-left scripts;
// everything else sends the paragraph to the shaper.
bool measuredAlone(char16_t c)
{
    return (c >= 0x20 && c < 0x7F)
        || (c > 0xA0 && c <= 0x24F && c != 0xAD)     // (a no-break space is laid out apart)
        || (c >= 0x391 && c <= 0x3C9)               // Greek
        || (c >= 0x401 && c <= 0x451)               // Cyrillic
        || (c >= 0x2010 && c <= 0x2027)             // dashes, quotes, dots
        || (c >= 0x2030 && c <= 0x205E)
        || (c >= 0x2100 && c <= 0x214F)             // letterlike symbols
        || (c >= 0x2160 && c <= 0x217F)             // Roman numerals
        || (c >= 0x2190 && c <= 0x25FF)             // arrows, maths, box drawing, shapes
        || (c >= 0x3000 && c <= 0x3029)             // CJK punctuation (not the tone marks)
        || (c >= 0x3030 && c <= 0x303F)
        || (c >= 0x3041 && c <= 0x3096)             // hiragana (not the combining voicing marks)
        || (c >= 0x309B && c <= 0x30FF)             // katakana
        || (c >= 0x3200 && c <= 0x33FF)             // enclosed and squared CJK
        || (c >= 0x3400 && c <= 0x4DBF)
        || (c >= 0x4E00 && c <= 0x9FFF)             // ideographs
        || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0xFF01 && c <= 0xFF9D)             // full-width forms and half-width kana
        || (c >= 0xFFE0 && c <= 0xFFE6);            // (the half-width voicing marks combine)
}

// Qt shapes each run of one script on its own, with the font it picks for that script:
// characters common to all scripts (spaces, digits, punctuation) take the script of the run
// they stand in, and so may be measured in another font than on their own. The scripts a
// counted paragraph may hold, each with a character that stands for it.
QChar anchorOf(QChar::Script script)
{
    switch (script) {
    case QChar::Script_Latin: return QChar(u'a');
    case QChar::Script_Greek: return QChar(char16_t(0x3B1));
    case QChar::Script_Cyrillic: return QChar(char16_t(0x430));
    case QChar::Script_Han: return QChar(char16_t(0x4E00));
    case QChar::Script_Hiragana: return QChar(char16_t(0x3042));
    case QChar::Script_Katakana: return QChar(char16_t(0x30A2));
    default: return QChar();
    }
}

bool ideographic(QChar::Script script)
{
    return script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana;
}

} // namespace

struct LineCounter::Private {
    Private(const QFont &font, const BreakRules &rules, qreal overflow)
        : font(font), metrics(font), rules(rules, overflow), advances(0x10000, -1.0f), bearings(0x10000, 0.0f)
    {
    }

    QChar::Script scriptOf(char16_t c)
    {
        std::uint8_t &s = scripts16[c];
        if (s == 0xFF)
            s = std::uint8_t(QChar(c).script());
        return QChar::Script(s);
    }

    // Where each character's run of one script starts and which script it is, as Qt divides
    // a paragraph: common characters join the run before them (at the start, the first
    // run). False for a script the counter does not know.
    bool divide(const QString &text)
    {
        const int n = int(text.size());
        scripts.assign(std::size_t(n), QChar::Script_Common);
        QChar::Script script = QChar::Script_Common;
        int from = 0;
        for (int i = 0; i < n; ++i) {
            const QChar::Script own = scriptOf(text[i].unicode());
            if (own == script || own <= QChar::Script_Common)
                continue;
            if (anchorOf(own).isNull())
                return false;
            if (script > QChar::Script_Common) {
                std::fill(scripts.begin() + from, scripts.begin() + i, script);
                from = i;
            }
            script = own;
        }
        std::fill(scripts.begin() + from, scripts.end(), script);
        return true;
    }

    // Lays `text` out on one unbroken line after the anchor of `script`, so that it is shaped
    // as inside a run of that script; where `text` starts in the layout.
    int layOutAfterAnchor(QTextLayout &layout, QChar::Script script, const QString &text)
    {
        const QChar anchor = anchorOf(script);
        layout.setText(anchor.isNull() ? text : anchor + text);
        layout.setFont(font);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        layout.createLine().setNumColumns(INT_MAX);
        layout.endLayout();
        return anchor.isNull() ? 0 : 1;
    }

    // How far a glyph's ink reaches past its advance.
    static qreal inkPast(const QRawFont &raw, quint32 glyph)
    {
        const QList<QPointF> advances = raw.advancesForGlyphIndexes({glyph});
        return advances.isEmpty() ? 0 : std::max<qreal>(0, raw.boundingRect(glyph).right() - advances.front().x());
    }

    // The first character of `text` laid out after the anchor of `script`: its advance
    // (with its kerning to the next one; NaN when the shaper made fewer glyphs than
    // characters, a ligature) and how far its ink reaches past the advance.
    struct Measured {
        qreal advance;
        qreal ink;
    };
    Measured measure(QChar::Script script, const QString &text)
    {
        QTextLayout layout;
        const int a = layOutAfterAnchor(layout, script, text);
        const QTextLine line = layout.lineAt(0);
        qsizetype glyphs = 0;
        for (const QGlyphRun &run : layout.glyphRuns())
            glyphs += run.glyphIndexes().size();
        if (glyphs < a + text.size())
            return {std::nan(""), 0};
        const qreal advance = line.cursorToX(a + 1) - line.cursorToX(a);
        qreal ink = 0;
        for (const QGlyphRun &run : layout.glyphRuns(a, 1)) {
            for (const quint32 glyph : run.glyphIndexes())
                ink = inkPast(run.rawFont(), glyph);
        }
        return {advance, ink};
    }

    static std::uint64_t key(QChar::Script script, char16_t a, char16_t b = 0)
    {
        return std::uint64_t(script) << 32 | std::uint64_t(a) << 16 | b;
    }

    // A character's advance in a run of `script`, and how far its ink reaches past it.
    qreal advance(char16_t c, QChar::Script script, qreal &ink)
    {
        const QChar::Script own = scriptOf(c);
        if (own == script || script == QChar::Script_Common) {
            float &a = advances[c];
            if (a < 0) {
                a = float(metrics.horizontalAdvance(QChar(c)));
                // Qt lets a glyph's ink reach past its advance only up to the line's width.
                bearings[c] = float(std::max<qreal>(0, -metrics.rightBearing(QChar(c))));
            }
            ink = bearings[c];
            return a;
        }
        const std::uint64_t k = key(script, c);
        auto found = foreign.find(k);
        if (found == foreign.end()) {
            const Measured m = measure(script, QString(QChar(c)));
            found = foreign.emplace(k, std::pair<float, float>(float(m.advance), float(m.ink))).first;
        }
        ink = found->second.second;
        return found->second.first;
    }

    // How much shaping moves a pair of one run apart (negative: together); NaN when it
    // joins them into one glyph. Ideographic characters are not kerned.
    qreal kerning(char16_t a, char16_t b, QChar::Script script)
    {
        if (ideographic(scriptOf(a)) || ideographic(scriptOf(b)))
            return 0;
        const std::uint64_t k = key(script, a, b);
        auto found = kernings.find(k);
        if (found == kernings.end()) {
            qreal ink;
            const QChar pair[] = {QChar(a), QChar(b)};
            const qreal kern = measure(script, QString(pair, 2)).advance - advance(a, script, ink);
            found = kernings.emplace(k, float(kern)).first;
        }
        return found->second;
    }

    // Characters the shaper joined into one glyph (a ligature) laid out after the anchor
    // of `script`, with the character after them for the kerning: their advance together
    // and the glyph's ink past it. NaN when they did not make exactly one glyph.
    Measured cluster(QChar::Script script, const QString &joined, bool withNext)
    {
        const QString key = QChar(char16_t(script)) + joined;
        const auto found = clusters.find(key);
        if (found != clusters.end())
            return found->second;
        const int length = int(joined.size()) - (withNext ? 1 : 0);
        QTextLayout layout;
        const int a = layOutAfterAnchor(layout, script, joined);
        const QTextLine line = layout.lineAt(0);
        Measured m{std::nan(""), 0};
        const QList<QGlyphRun> runs = layout.glyphRuns(a, length);
        if (runs.size() == 1 && runs.front().glyphIndexes().size() == 1) {
            m.advance = line.cursorToX(a + length) - line.cursorToX(a);
            m.ink = inkPast(runs.front().rawFont(), runs.front().glyphIndexes().front());
        }
        clusters.emplace(key, m);
        return m;
    }

    // Where a line from `start` in `width` would end as Qt fills it: spaces always go in,
    // any other character (a ligature as a whole) while it and its ink fit, the first one
    // whatever its width. Qt keeps the width in 1/64 pixel, as every advance here is.
    int fill(const QString &text, int start, qreal width) const
    {
        const qreal limit = std::round(width * 64) / 64 + 1.0 / 256;
        const int n = int(text.size());
        bool first = true;
        for (int k = start; k < n; ++k) {
            if (isSpace(text[k].unicode()) || joined[std::size_t(k)])
                continue;
            if (first) {
                first = false;
                continue;
            }
            if (x[std::size_t(k) + 1] - x[std::size_t(start)] + inks[std::size_t(k)] > limit) {
                while (joined[std::size_t(k) - 1])
                    --k; // the whole ligature goes down
                return k;
            }
        }
        return n;
    }

    QFont font;
    QFontMetricsF metrics;
    Rules rules;
    std::vector<std::uint8_t> scripts16 = std::vector<std::uint8_t>(0x10000, 0xFF); // QChar::script, remembered
    std::vector<float> advances; // in the character's own script
    std::vector<float> bearings;
    // Common characters in another script's run: advance and ink past it.
    std::unordered_map<std::uint64_t, std::pair<float, float>> foreign;
    std::unordered_map<std::uint64_t, float> kernings;
    // Of the paragraph being counted: x[k] is where character k starts.
    std::vector<double> x;
    std::vector<QChar::Script> scripts;
    std::vector<float> inks;
    std::vector<char> joined; // 1: the shaper joined this character to the next
    std::unordered_map<QString, Measured> clusters;
};

LineCounter::LineCounter(const QFont &font, const BreakRules &rules, qreal overflow)
    : d(std::make_unique<Private>(font, rules, overflow))
{
}

LineCounter::~LineCounter() = default;

int LineCounter::count(const QString &text, const BreakGeometry &geometry)
{
    const int n = int(text.size());
    for (const QChar ch : text)
        if (!measuredAlone(ch.unicode()))
            return -1;
    if (geometry.width < 0 || n == 0)
        return 1;
    // Qt shapes a very long run in pieces: leave those paragraphs to it.
    if (n > 4000 || !d->divide(text))
        return -1;
    std::vector<double> &x = d->x;
    std::vector<char> &joined = d->joined;
    x.assign(std::size_t(n) + 1, 0);
    d->inks.assign(std::size_t(n), 0);
    joined.assign(std::size_t(n), 0);
    for (int k = 0; k < n; ++k) {
        const char16_t c = text[k].unicode();
        const QChar::Script script = d->scripts[std::size_t(k)];
        const auto sameRun = [&](int i) { return i + 1 < n && d->scripts[std::size_t(i) + 1] == script; };
        qreal ink;
        const qreal advance = d->advance(c, script, ink);
        const qreal kerning = sameRun(k) ? d->kerning(c, text[k + 1].unicode(), script) : 0;
        if (!std::isnan(kerning)) {
            d->inks[std::size_t(k)] = float(ink);
            x[std::size_t(k) + 1] = x[std::size_t(k)] + advance + kerning;
            continue;
        }
        // A ligature: measured as one, and no line may end inside it.
        int m = k + 1;
        while (sameRun(m) && std::isnan(d->kerning(text[m].unicode(), text[m + 1].unicode(), script)))
            ++m;
        const Private::Measured whole = d->cluster(script, text.mid(k, m - k + (sameRun(m) ? 2 : 1)), sameRun(m));
        if (std::isnan(whole.advance))
            return -1;
        for (int i = k; i <= m; ++i) {
            x[std::size_t(i) + 1] = x[std::size_t(k)] + whole.advance * (i - k + 1) / (m - k + 1);
            d->inks[std::size_t(i)] = float(whole.ink);
            joined[std::size_t(i)] = i < m;
        }
        k = m;
    }
    const Rules &rules = d->rules;
    // The same walk as the breaker's, with the fill computed instead of laid. A break the
    // rules put inside a ligature is left to the breaker itself.
    const auto placed = [&](int start, int end) {
        if (joined[std::size_t(end) - 1])
            return -1;
        // The line laid again as wide as the characters up to `end` plus most of the next
        // one's advance.
        const qreal next = x[std::size_t(end) + 1] - x[std::size_t(end)];
        constexpr qreal unit = 1.0 / 64;
        const qreal width = std::max<qreal>(0, x[std::size_t(end)] - x[std::size_t(start)]) + std::max<qreal>(0, next - unit);
        return d->fill(text, start, width);
    };
    int lines = 0;
    int start = 0;
    while (start < n) {
        const qreal width = std::max<qreal>(0, geometry.width - (lines == 0 ? geometry.firstLineIndent : 0));
        ++lines;
        const int fit = d->fill(text, start, width);
        if (fit >= n)
            break;
        int next = -2;
        if (rules.hang && rules.overflow.contains(text[fit].unicode())) {
            const int after = fit + 1;
            int end = after;
            while (end < n && isSpace(text[end].unicode()))
                ++end;
            if (end >= n || rules.allowed(text, start, end, rules.wordBreak)) {
                const int wide = d->fill(text, start, width + rules.overflowAllowance);
                if (wide >= after)
                    next = std::min(end, wide) < wide ? placed(start, std::min(end, wide)) : wide;
            }
        }
        if (next == -2) {
            next = fit;
            bool found = false;
            for (const bool keepWords : {true, false}) {
                if (found || (!keepWords && !rules.wordBreak))
                    break;
                for (int p = fit; p > start; --p) {
                    if (rules.allowed(text, start, p, keepWords && rules.wordBreak)) {
                        next = p < fit ? placed(start, p) : joined[std::size_t(p) - 1] ? -1 : fit;
                        found = true;
                        break;
                    }
                }
            }
        }
        if (next < 0)
            return -1;
        start = next;
    }
    return std::max(lines, 1);
}

} // namespace velmo::editor
