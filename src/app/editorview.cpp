// The editor inside the window: word wrap and the width of the edit area, display profiles
// and options applied to the window, and the toolbar controls that follow them.
#include "app/mainform.h"

#include "app/displayprofile.h"
#include "editor/editlayout.h"
#include "settings/teoption.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace velmo {

namespace {

// The action that holds a widget placed on a toolbar (its visibility is the action's).
QAction *actionOf(QToolBar *bar, QWidget *widget)
{
    for (QAction *action : bar->actions())
        if (bar->widgetForAction(action) == widget)
            return action;
    return nullptr;
}

} // namespace

TDisplayProfile &TMainForm::CurrentProfile()
{
    return RichEdit->PlainText() ? Options->TextModeProfile : Options->RichTextProfile;
}

int TMainForm::ScreenTextWidth() const
{
    if (!Options || Options->PageSetup.PrinterUnavailable || Options->PageSetup.ScreenTextWidth <= 0)
        return kScreenTextWidthWithoutPrinter;
    return Options->PageSetup.ScreenTextWidth;
}

void TMainForm::ApplyWordWrap(int value)
{
    const bool wrap = value != wwNone;
    const bool rich = !RichEdit->PlainText();
    for (QAction *button : {AlLeftButton, AlCenterButton, AlRightButton, IndentButton, NumberingButton})
        button->setVisible(rich);
    // Alignment and indents only make sense on lines that wrap.
    const bool formatting = wrap && !RichEdit->isReadOnly();
    for (QAction *button : {AlLeftButton, AlCenterButton, AlRightButton, IndentButton})
        button->setEnabled(formatting);
    EditWordWrapMenu->setChecked(wrap);
    if (Options)
        CurrentProfile().WordWrapMode = value;
    if (IndentPanel->isVisible() && !wrap)
        IndentPanel->hide();
    velmo::ApplyWordWrap(TEditAreaHost{RichEdit, reScrollBox, reBackPanel}, value, ScreenTextWidth());
    FormResize();
}

void TMainForm::EditWordWrapMenuClick()
{
    // The item's check has already flipped when it reports the click.
    ApplyWordWrap(WordWrapMenuValue(!EditWordWrapMenu->isChecked()));
}

void TMainForm::LayoutEditArea()
{
    const int value = Options ? CurrentProfile().WordWrapMode : (RichEdit->WordWrap() ? wwWindow : wwNone);
    velmo::LayoutEditArea(TEditAreaHost{RichEdit, reScrollBox, reBackPanel}, value, ScreenTextWidth());
}

void TMainForm::ApplyDisplayProfile()
{
    const bool modified = RichEdit->Modified();
    const bool rulerShown = reRoolerPanel->isVisible();
    reRoolerPanel->hide();
    RichEdit->hide();
    // The panel's caption shows at once, before the profile work starts.
    reBackPanel->repaint();

    const TDisplayProfile &profile = CurrentProfile();
    AssignFontTo(profile, DrawingFont);
    AverageCharWidth = ApplyOverflowAllowance(*RichEdit, DrawingFont);
    ApplyToEditor(profile, *RichEdit);
    ApplyToEditor(Options->ImeStyles, RichEdit);

    RichEdit->show();
    RichEdit->SetModified(modified);
    reRoolerPanel->setVisible(rulerShown);
    // A profile applied with the ruler switched on shows it.
    if (Options->ShowRooler && reRoolerPanel->isHidden())
        RoolerCommand();
}

void TMainForm::ApplyToolbarVisibility()
{
    const bool shown = Options->ShowToolBar;
    const bool rich = !RichEdit->PlainText();
    const bool names = Options->ShowFontName;
    Toolbar->setVisible(shown);
    FormatsToolbar->setVisible(shown && rich);
    FontButton->setVisible(shown && rich && !names);
    FontSizeButton->setVisible(shown && rich && !names);
    for (QComboBox *box : {FontNameComboBox, FontSizeComboBox})
        if (QAction *action = actionOf(FormatsToolbar, box))
            action->setVisible(shown && rich && names);
    for (QAction *button : {BoldButton, ItalicButton, UnderlineButton, FontColorButton, AlLeftButton,
                            AlCenterButton, AlRightButton, IndentButton, NumberingButton})
        button->setVisible(shown && rich);
    reRoolerPanel->update();
}

void TMainForm::ApplyButtonSize(int size)
{
    ApplyToolbarVisibility();
    for (QComboBox *box : {FontNameComboBox, FontSizeComboBox}) {
        QFont font = box->font();
        font.setPixelSize(std::max((5 * size - 1) / 8, 1));
        box->setFont(font);
        box->setFixedHeight(size);
    }
    for (QToolBar *bar : {Toolbar, FormatsToolbar}) {
        for (QAction *action : bar->actions()) {
            auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action));
            if (!button)
                continue;
            // The two open buttons carry a drop-down arrow and are wider.
            const bool open = action == OpenButton || action == OpenNewWinButton;
            button->setFixedSize(open ? (7 * size - 1) / 5 : size, size);
        }
    }
}

void TMainForm::ApplyOptions(EditModeWay way)
{
    TGeneralOptions &o = *Options;
    StatusBar->setVisible(o.ShowStatusBar);
    SetStatusBarFontSize(o.StatusBarFontSize);
    ApplyButtonSize(o.ButtonSize);
    // A read-only document keeps the mode it was opened in.
    ChangeEditMode(o.PlainText, RichEdit->isReadOnly() ? EditModeWay::Keep : way);
    o.PageSetup.Recompute();
    ApplyDisplayProfile();
    if (!o.CurrentDir.isEmpty())
        QDir::setCurrent(o.CurrentDir);
    CutHistory(o.MaxHistoryItems);
    SetDocumentName(o.CurrentFile);
    ApplyWordWrap(CurrentProfile().WordWrapMode);
    ApplyToolbarVisibility();
    ApplyToEditor(o.ImeStyles, RichEdit);
    RichEditSelectionChange();
}

void TMainForm::ConnectEditorView()
{
    EditWordWrapMenu->setEnabled(true);
    connect(EditWordWrapMenu, &QAction::triggered, this, [this] { EditWordWrapMenuClick(); });
    connect(RichEdit, &TRichEdit::SelectionChange, this, [this] { RichEditSelectionChange(); });
    connect(RichEdit, &TRichEdit::Change, this, [this] { RichEditChange(); });
    // The editor never shows its own vertical bar: the window's bar stands in for it, both ways.
    QScrollBar *inner = RichEdit->verticalScrollBar();
    auto follow = [this, inner] {
        const QSignalBlocker quiet(VScrollBar);
        VScrollBar->setRange(inner->minimum(), inner->maximum());
        VScrollBar->setPageStep(inner->pageStep());
        VScrollBar->setSingleStep(inner->singleStep());
        VScrollBar->setValue(inner->value());
    };
    connect(inner, &QScrollBar::rangeChanged, VScrollBar, follow);
    connect(inner, &QScrollBar::valueChanged, VScrollBar, follow);
    connect(VScrollBar, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
}

} // namespace velmo
