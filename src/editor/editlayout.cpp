#include "editor/editlayout.h"

#include "editor/extmemo.h"

#include <QFontMetrics>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>

namespace velmo {

void ApplyWordWrap(const TEditAreaHost &host, int value, int screenTextWidth)
{
    const bool wrap = value != wwNone;
    TExtMemo &editor = *host.editor;
    editor.SetWordWrap(wrap);
    if (host.scrollBox)
        host.scrollBox->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    editor.setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    editor.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LayoutEditArea(host, value, screenTextWidth);
}

void LayoutEditArea(const TEditAreaHost &host, int value, int screenTextWidth)
{
    TExtMemo &editor = *host.editor;
    TEditArea &area = editor.EditArea();
    if (value == wwPage) {
        // The page decides the width; a narrower window scrolls sideways.
        if (host.scrollBox)
            host.scrollBox->setWidgetResizable(false);
        area.SetWidth(screenTextWidth);
        const int frame = editor.width() - editor.contentsRect().width();
        const int editorWidth = area.Width() + area.Margin().Left() + area.OverFlow() + frame;
        if (host.backPanel) {
            const int height = host.scrollBox ? host.scrollBox->viewport()->height() : host.backPanel->height();
            const int panelFrame = host.backPanel->width() - host.backPanel->contentsRect().width();
            host.backPanel->resize(editorWidth + panelFrame, height);
        }
        editor.setMinimumWidth(editorWidth);
        editor.setMaximumWidth(editorWidth);
        editor.resize(editorWidth, editor.height());
        return;
    }
    editor.setMinimumWidth(0);
    editor.setMaximumWidth(QWIDGETSIZE_MAX);
    if (host.scrollBox)
        host.scrollBox->setWidgetResizable(true);
    if (host.backPanel && host.scrollBox)
        host.backPanel->resize(host.scrollBox->viewport()->size());
    if (host.backPanel && host.backPanel->layout())
        host.backPanel->layout()->activate();
    area.SetWidth(std::max(editor.contentsRect().width() - area.Margin().Left() - area.OverFlow(), 0));
}

int AverageCharWidth(const QFont &font)
{
    return QFontMetrics(font).horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
}

int ApplyOverflowAllowance(TExtMemo &editor, const QFont &profileFont)
{
    const int average = AverageCharWidth(profileFont);
    editor.EditArea().SetOverFlow(3 * average);
    return average;
}

int CaretScrollPosition(int caretX, int clientWidth, int position)
{
    if (caretX >= clientWidth - kCaretViewMargin)
        return caretX + position - clientWidth + kCaretViewMargin;
    if (caretX <= kCaretViewMargin)
        return caretX + position - kCaretViewMargin;
    return position;
}

void KeepCaretInView(const TEditAreaHost &host)
{
    if (!host.scrollBox)
        return;
    TExtMemo &editor = *host.editor;
    const QPoint caret = editor.viewport()->mapTo(host.scrollBox->viewport(), editor.cursorRect().topLeft());
    QScrollBar *bar = host.scrollBox->horizontalScrollBar();
    // The bar clamps: at the left edge the view goes as far as it can.
    bar->setValue(CaretScrollPosition(caret.x(), host.scrollBox->viewport()->width(), bar->value()));
}

} // namespace velmo
