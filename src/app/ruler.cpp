#include "app/ruler.h"

#include "app/mainform.h"
#include "editor/extmemo.h"
#include "settings/muldiv.h"
#include "settings/teoption.h"

#include <QAction>
#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>

namespace velmo {

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kTeal(0x00, 0x80, 0x80);
const QColor kBlue(0x00, 0x00, 0xFF);
const QColor kLime(0x00, 0xFF, 0x00);

} // namespace

std::vector<TRulerTick> RulerTicks(const TRulerScale &s)
{
    std::vector<TRulerTick> ticks;
    bool silver = false;
    for (int n = 0; n < s.clientWidth - s.x0; ++n) {
        const int d = s.rich ? MulDiv(n, s.pixelsPerInch, 24) : n * s.averageCharWidth;
        if (s.x0 + d > s.clientWidth)
            break; // nothing of it would show
        if (d > s.pageWidth && s.pageWrap)
            silver = true;
        TRulerTick tick;
        tick.x = s.x0 + d;
        tick.silver = silver;
        if (n % 10 != 0) {
            tick.top = n % 5 != 0 ? s.height * 2 / 3 : s.height / 2;
        } else {
            tick.top = 0;
            tick.label = n == 0 ? QString::fromLatin1(s.rich ? "0mm" : "0") : QString::number(n);
        }
        ticks.push_back(tick);
    }
    return ticks;
}

TRulerPaintBox::TRulerPaintBox(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("reRoolerPaintBox"));
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
}

bool TRulerPaintBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TRulerPaintBox::paintEvent(QPaintEvent *)
{
    if (!Scale || !parentWidget() || parentWidget()->isHidden())
        return;
    const TRulerScale s = Scale();
    const int h = s.height;
    QPainter p(this);
    QFont font = p.font();
    font.setPixelSize(std::max(h * 2 / 3, 1));
    p.setFont(font);
    p.setPen(QPen(kSilver, 1));
    p.drawLine(0, h - 1, s.x0, h - 1);
    p.setPen(QPen(kTeal, 1));
    p.drawLine(s.x0, h - 1, s.clientWidth, h - 1);
    for (const TRulerTick &tick : RulerTicks(s)) {
        const QColor ink = tick.silver ? kSilver : kBlue;
        if (!tick.label.isEmpty()) {
            p.setPen(ink);
            p.drawText(QPoint(1 + tick.x, p.fontMetrics().ascent()), tick.label);
        }
        p.setPen(QPen(tick.silver ? kSilver : kTeal, 1));
        p.drawLine(tick.x, tick.top, tick.x, h);
    }
    if (s.pageWrap) {
        p.setPen(QPen(kLime, 2));
        p.drawLine(s.x0 + s.pageWidth, 0, s.x0 + s.pageWidth, h);
    }
}

void TRulerPaintBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    emit DoubleClicked();
}

void TMainForm::RoolerCommand()
{
    const bool show = reRoolerPanel->isHidden();
    reRoolerPanel->setVisible(show);
    OptionRoolerMenu->setChecked(show);
    if (show)
        RichEditSelectionChange();
    if (Options)
        Options->ShowRooler = show;
    if (Toolbar->isVisibleTo(this))
        RoolerButton->setChecked(show);
}

void TMainForm::MoveRulerCaretMark()
{
    if (!reRoolerPosPaintBox || reRoolerPanel->isHidden())
        return;
    const TPoint caret = RichEdit->PosFromChar(RichEdit->SelStart());
    // The editor and the ruler meet in the panel behind them.
    const QPoint at = reRoolerPanel->mapFrom(reBackPanel, RichEdit->mapTo(reBackPanel, QPoint(caret.x, 0)));
    reRoolerPosPaintBox->setGeometry(at.x(), 0, 2, reRoolerPanel->height());
    reRoolerPaintBox->update();
}

} // namespace velmo
