// Where a display line may end: the four punctuation sets in force and the word-wrap bits,
// and the breaker that lays a paragraph's text out in lines of a given width. The screen
// and the printer share it, so it works in the units of whatever device the QTextLayout
// was made for.
#pragma once

#include <QString>

#include <array>

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
// caller's business. Calls beginLayout and endLayout itself.
int breakLines(QTextLayout &layout, const BreakGeometry &geometry, const BreakRules &rules);

} // namespace velmo::editor
