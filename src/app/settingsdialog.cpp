// Opening the settings dialog: its commands and the right press on a toolbar button.
#include "app/mainform.h"

#include "app/optionform.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace velmo {

namespace {

// A right press on any toolbar button opens the display settings; the toolbar's own
// context menu does not come up over a button.
class ToolButtonRightPress : public QObject {
public:
    ToolButtonRightPress(TMainForm *form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
            // Opened once the press has been handled: the button is not left half-pressed
            // under a modal dialog.
            QTimer::singleShot(0, form_, [form = form_] { form->ShowSettingsDialog(1); });
            return true;
        }
        if (event->type() == QEvent::ContextMenu)
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    TMainForm *form_;
};

} // namespace

void TMainForm::ShowSettingsDialog(int page)
{
    // The dialog needs the window's records: before the window is shown there are none.
    if (!Options || !AppRecord)
        return;
    if (IndentPanel->isVisible()) {
        IndentPanel->hide();
        if (OptionIndentMenu->isCheckable())
            OptionIndentMenu->setChecked(false);
    }
    int result = 0;
    {
        TOptionForm dialog(*this);
        dialog.PageControl->setCurrentIndex(std::clamp(page, 0, 3));
        result = dialog.exec();
    }
    // Printing from the dialog runs the window's print command once the dialog is gone.
    if (result == TOptionForm::kPrintResult && FilePrintMenu)
        FilePrintMenu->trigger();
    if (RichEdit->isVisible())
        RichEdit->setFocus();
}

void TMainForm::ConnectSettingsDialog()
{
    const std::pair<QAction *, int> commands[] = {{OptionSetMenu, 0},     {OptionButton, 0},
                                                  {PopDisplayMenu, 1},    {FilePageSetupMenu, 2},
                                                  {PageSetupButton, 2},   {HelpSysInfoMenu, 3}};
    for (const auto &[action, page] : commands) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, page = page] { ShowSettingsDialog(page); });
    }
    // The print dialog's page-setup button shows the same page.
    ShowPageSetupPage = [this] { ShowSettingsDialog(2); };
    auto *rightPress = new ToolButtonRightPress(this);
    for (QToolBar *bar : {Toolbar, FormatsToolbar})
        for (QAction *action : bar->actions())
            if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action)))
                button->installEventFilter(rightPress);
}

} // namespace velmo
