// Paragraph formatting of the selection: alignment and bullets, with their menu items and
// buttons, and the ruler's and the indent panel's parts that belong to the window.
#include "app/mainform.h"

#include "app/ruler.h"
#include "editor/extmemo.h"
#include "settings/teoption.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QToolBar>

namespace velmo {

void TMainForm::ConnectParagraphCommands()
{
    struct Align {
        QAction *menu, *pop, *button;
        TAlignment value;
    };
    const Align aligns[] = {
        {OptionAlLeftMenu, PopLeftMenu, AlLeftButton, TAlignment::taLeftJustify},
        {OptionAlCenterMenu, PopCenterMenu, AlCenterButton, TAlignment::taCenter},
        {OptionAlRightMenu, PopRightMenu, AlRightButton, TAlignment::taRightJustify},
    };
    for (const Align &a : aligns) {
        for (QAction *trigger : {a.menu, a.pop, a.button})
            connect(trigger, &QAction::triggered, this, [this, value = a.value] { SetAlignment(value); });
        a.menu->setEnabled(true);
        a.pop->setEnabled(true);
    }
    connect(OptionAlMenu, &QMenu::aboutToShow, this, [this] { CheckAlignmentMenu(); });

    for (QAction *trigger : {OptionNumberingMenu, PopNumberingMenu, NumberingButton})
        connect(trigger, &QAction::triggered, this, [this] { NumberingCommand(); });
    for (QAction *trigger : {OptionIndentMenu, PopIndentMenu, IndentButton})
        connect(trigger, &QAction::triggered, this, [this] { IndentPanelCommand(); });
    for (QAction *item : {PopNumberingMenu, PopIndentMenu, NumberingButton})
        item->setEnabled(true);

    reRoolerPaintBox = new TRulerPaintBox(reRoolerPanel);
    reRoolerPaintBox->Scale = [this] {
        TRulerScale s;
        s.x0 = reRoolerPaintBox->mapFrom(reBackPanel, RichEdit->mapTo(reBackPanel, QPoint(0, 0))).x()
               + RichEdit->EditArea().Margin().Left();
        s.clientWidth = reRoolerPaintBox->width();
        s.height = reRoolerPaintBox->height();
        s.pageWidth = ScreenTextWidth();
        s.pageWrap = Options && CurrentProfile().WordWrapMode == 2;
        s.rich = !RichEdit->PlainText();
        s.pixelsPerInch = reRoolerPaintBox->logicalDpiX();
        s.averageCharWidth = AverageCharWidth;
        return s;
    };
    reRoolerPosPaintBox = new QWidget(reRoolerPanel);
    reRoolerPosPaintBox->setObjectName(QStringLiteral("reRoolerPosPaintBox"));
    reRoolerPosPaintBox->setAutoFillBackground(true);
    QPalette blue = reRoolerPosPaintBox->palette();
    blue.setColor(QPalette::Window, QColor(0x00, 0x00, 0xFF));
    reRoolerPosPaintBox->setPalette(blue);
    reRoolerPosPaintBox->setGeometry(0, 0, 2, reRoolerPanel->height());
    reRoolerPosPaintBox->raise();
    connect(reRoolerPaintBox, &TRulerPaintBox::DoubleClicked, this, [this] { RoolerCommand(); });
    for (QAction *trigger : {OptionRoolerMenu, RoolerButton}) {
        trigger->setEnabled(true);
        connect(trigger, &QAction::triggered, this, [this] { RoolerCommand(); });
    }

    CreateIndentPanel();
}

void TMainForm::SetAlignment(TAlignment alignment)
{
    if (RichEdit->PlainText() || RichEdit->ReadOnly())
        return;
    TParaAttributes p;
    p.Alignment = alignment;
    RichEdit->SetParagraph(p, pfAlignment);
    QAction *pop = alignment == TAlignment::taCenter ? PopCenterMenu
                   : alignment == TAlignment::taRightJustify ? PopRightMenu
                                                             : PopLeftMenu;
    pop->setChecked(true);
    RichEditSelectionChange();
}

void TMainForm::CheckAlignmentMenu()
{
    switch (RichEdit->Paragraph().Alignment) {
    case TAlignment::taLeftJustify: OptionAlLeftMenu->setChecked(true); break;
    case TAlignment::taRightJustify: OptionAlRightMenu->setChecked(true); break;
    case TAlignment::taCenter: OptionAlCenterMenu->setChecked(true); break;
    }
}

void TMainForm::NumberingCommand()
{
    if (RichEdit->PlainText() || RichEdit->ReadOnly()) {
        RichEditSelectionChange(); // the button shows the paragraph again
        return;
    }
    TParaAttributes p;
    p.Numbering = RichEdit->Paragraph().Numbering == TNumberingStyle::nsNone ? TNumberingStyle::nsBullet
                                                                             : TNumberingStyle::nsNone;
    RichEdit->SetParagraph(p, pfNumbering);
    const bool bullet = p.Numbering == TNumberingStyle::nsBullet;
    OptionNumberingMenu->setChecked(bullet);
    PopNumberingMenu->setChecked(bullet);
    RichEditSelectionChange();
}

} // namespace velmo
