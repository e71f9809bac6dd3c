// Where a display line may end: the four punctuation sets in force and the word-wrap bits,
// and the breaker that lays a paragraph's text out in lines of a given width. The screen
// and the printer share it, so it works in the units of whatever device the QTextLayout
// was made for.
#pragma once

#include <QString>

#include <array>
#include <memory>

class QFont;
class QTextLayout;

namespace velmo::editor {

struct BreakRules {
    QString following;  // no display line starts with one of these
    QString leading;    // no display line ends with one of these
    QString overflow;   // may hang past the wrap width (when hang is set)
    QString delimiter;  // ends a Latin word (besides spaces)
    bool hang = false;       // the overflow bit of the mode word
    bool wordBreak = false;  // the word-break bit: keep Latin words whole
};

// The rules in force for an editor mode word: the built-in level 1 or 2 sets, or the
// custom sets (following, leading, overflow, delimiter) when the word selects them.
BreakRules breakRulesFor(unsigned modeWord, const std::array<QString, 4> &custom);

struct BreakGeometry {
    qreal width = -1;          // the wrap width; negative: no wrapping
    qreal firstLineIndent = 0; // the first line is this much narrower (may be negative)
    qreal overflow = 0;        // how far a hanging character may reach past the width
};

// Lays out the text of `layout` (text, font and formats set; beginLayout not yet called)
// in display lines and returns their count (at least 1). Lines are placed one under the
// other from y = 0, each at x = 0 (the first at firstLineIndent); aligning them is the
// caller's business: a line's width() is only the room it was laid in, its
// naturalTextWidth() is what it holds. Calls beginLayout and endLayout itself and leaves
// the layout's QTextOption as it found it.
//
// No line starts with a `following` character or ends with a `leading` one: the break moves
// back. With `hang`, an `overflow` character that would start the next line stays on this
// one, reaching past the width by at most `overflow`. With `wordBreak`, a Latin word (a run
// between spaces and `delimiter` characters; a delimiter stays with the word before it) is
// broken only when it is wider than a line; without it Latin breaks between any two
// characters, as Japanese does. Where no break satisfies the rules (a run of closing marks
// longer than a line) the line breaks where it is full. Spaces hang at the end of a line,
// U+2028 ends one, a grapheme cluster is never split, and no line is empty except the one
// of an empty paragraph. The cost is linear in the text's length.
int breakLines(QTextLayout &layout, const BreakGeometry &geometry, const BreakRules &rules);
// The same for a layout whose text() is empty because Qt takes the text from elsewhere: the
// layout of a QTextDocument block (block.layout()), whose text is block.text(). Pre-edit
// text set on the layout is added here as Qt adds it.
int breakLines(QTextLayout &layout, const BreakGeometry &geometry, const BreakRules &rules, const QString &text);

// Counts the display lines breakLines gives a paragraph of text in one font (on the screen)
// from its characters' advances, right bearings and the font's kerning of each pair (each
// measured once, in the script run it stands in, as Qt shapes it), without shaping the
// paragraph: a row far into a long document then costs a walk over its text. It answers
// only where it follows breakLines step by step: text of characters that shaping neither
// combines nor reorders, ligatures measured whole and never broken; elsewhere (tabs,
// combining marks, a break the rules put inside a ligature) it declines with -1 and the
// caller lays the paragraph out.
class LineCounter {
public:
    LineCounter(const QFont &font, const BreakRules &rules, qreal overflow);
    ~LineCounter();
    LineCounter(const LineCounter &) = delete;
    LineCounter &operator=(const LineCounter &) = delete;

    int count(const QString &text, const BreakGeometry &geometry);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace velmo::editor
