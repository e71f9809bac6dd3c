// The ruler above the editor: a scale from the text's left margin (units of 1/24 inch in
// rich-text mode, of one average character in text mode), labelled every ten units, the
// page's right text edge when lines wrap at the page, and the caret's mark.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace velmo {

// What the scale is drawn from.
struct TRulerScale {
    int x0 = 0;               // the text's left edge in the scale's pixels
    int clientWidth = 0;
    int height = 0;
    int pageWidth = 0;        // the page's text width in screen pixels
    bool pageWrap = false;    // lines wrap at the page width
    bool rich = true;
    int pixelsPerInch = 96;
    int averageCharWidth = 8; // text mode's unit
};

struct TRulerTick {
    int x = 0;       // in the scale's pixels
    int top = 0;     // the tick runs from here to the bottom
    bool silver = false; // beyond the page's edge
    QString label;   // empty between the labelled ticks
};

// Every tick of the scale, left to right.
std::vector<TRulerTick> RulerTicks(const TRulerScale &scale);

// The scale itself; a double click on it is the ruler command.
class TRulerPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TRulerPaintBox(QWidget *parent);
    std::function<TRulerScale()> Scale;

signals:
    void DoubleClicked();

protected:
    // The scale fills its panel.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

} // namespace velmo
