#include "editor/linebreaker.h"

#include "editor/punctuation.h"
#include "editor/wordwrapoption.h"

#include <QTextLayout>

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

int breakLines(QTextLayout &layout, const BreakGeometry &geometry, const BreakRules &)
{
    // First cut: Qt's own break opportunities.
    layout.beginLayout();
    qreal y = 0;
    int count = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        const qreal indent = count == 0 ? geometry.firstLineIndent : 0;
        if (geometry.width >= 0)
            line.setLineWidth(qMax<qreal>(1, geometry.width - indent));
        line.setPosition(QPointF(indent, y));
        y += line.height();
        ++count;
    }
    layout.endLayout();
    return qMax(count, 1);
}

} // namespace velmo::editor
