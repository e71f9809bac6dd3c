// The window's search and navigation commands: the find dialog and the go-to dialog.
#include "app/mainform.h"
#include "editor/extmemo.h"
#include "search/findform.h"
#include "search/jump.h"
#include "settings/placement.h"
#include "settings/teoption.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QStatusBar>
#include <QStyle>

namespace velmo {

namespace {

// Ctrl+F and Ctrl+R typed in the editor open the find dialog, for finding or for replacing.
class FindKeys : public QObject {
public:
    FindKeys(TMainForm *form) : QObject(form), form_(form) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() != Qt::ControlModifier || (key->key() != Qt::Key_F && key->key() != Qt::Key_R))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // ours, not a window shortcut's
            return true;
        }
        form_->SearchFindMenuClick(key->key() == Qt::Key_R);
        return true;
    }

private:
    TMainForm *form_;
};

} // namespace

void TMainForm::ConnectSearchCommands()
{
    for (QAction *action : {SearchJumpMenu, PopJumpMenu, SearchFindMenu, PopFindMenu, SearchFindNextMenu})
        action->setEnabled(true);
    for (QAction *action : {SearchJumpMenu, PopJumpMenu, JumpButton})
        connect(action, &QAction::triggered, this, [this] { SearchJumpMenuClick(); });
    for (QAction *action : {SearchFindMenu, PopFindMenu, SearchButton})
        connect(action, &QAction::triggered, this, [this] { SearchFindMenuClick(); });
    connect(SearchFindNextMenu, &QAction::triggered, this, [this] { SearchFindNextMenuClick(); });
    SearchButton->setEnabled(true);
    RichEdit->installEventFilter(new FindKeys(this));
    // The jump button only while there is text to jump in.
    auto updateJumpButton = [this] { JumpButton->setEnabled(RichEdit->GetTextLength() > 0); };
    connect(RichEdit, &TRichEdit::SelectionChange, this, updateJumpButton);
    updateJumpButton();
}

void TMainForm::SearchFindMenuClick(bool forReplacing)
{
    if (!Options)
        return;
    TFindSettings &settings = Options->FindSettings;
    auto *dialog = qobject_cast<TFindForm *>(settings.Dialog);
    if (!dialog) {
        TFindHost host;
        host.edit = RichEdit;
        host.prompts = services_.prompts;
        host.settings = &settings;
        host.showStatus = [this](const QString &text) { ShowProgressText(text); };
        host.restoreStatus = [this] { RestoreFileNameText(); };
        dialog = new TFindForm(host, this);
    }
    if (forReplacing)
        dialog->ReplaceCheckBox->setChecked(true);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void TMainForm::SearchFindNextMenuClick()
{
    if (!Options)
        return;
    if (!Options->FindSettings.Dialog)
        SearchFindMenuClick();
    auto *dialog = qobject_cast<TFindForm *>(Options->FindSettings.Dialog);
    if (!dialog)
        return;
    dialog->SetRangeIndex(1);
    dialog->FindButtonClick();
}

void TMainForm::SearchJumpMenuClick(int statusX)
{
    TJumpHost host;
    host.edit = RichEdit;
    host.prompts = services_.prompts;
    host.lineHistory = &JumpLineHistory;
    host.columnHistory = &JumpColumnHistory;
    host.showStatus = [this](const QString &text) { ShowProgressText(text); };
    host.restoreStatus = [this] { RestoreFileNameText(); };
    TJumpForm dialog(host, this);
    dialog.adjustSize();
    if (statusX < 0) {
        if (Placement)
            Placement->CenterOverMainWindow(&dialog);
    } else {
        // Just above the press, clear of the window's sizing frame.
        const int frame = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        const QPoint at(StatusPanelStrip->mapToGlobal(QPoint(statusX, 0)).x(),
                        StatusBar->mapToGlobal(QPoint(0, 0)).y() - dialog.frameGeometry().height() - frame);
        dialog.move(at);
    }
    dialog.exec();
}

} // namespace velmo
