// The window's search and navigation commands: the go-to dialog.
#include "app/mainform.h"
#include "editor/extmemo.h"
#include "search/jump.h"
#include "settings/placement.h"

#include <QAction>
#include <QStatusBar>
#include <QStyle>

namespace velmo {

void TMainForm::ConnectSearchCommands()
{
    SearchJumpMenu->setEnabled(true);
    PopJumpMenu->setEnabled(true);
    for (QAction *action : {SearchJumpMenu, PopJumpMenu, JumpButton})
        connect(action, &QAction::triggered, this, [this] { SearchJumpMenuClick(); });
    // The toolbar button only while there is text to jump in.
    auto updateJumpButton = [this] { JumpButton->setEnabled(RichEdit->GetTextLength() > 0); };
    connect(RichEdit, &TRichEdit::SelectionChange, this, updateJumpButton);
    updateJumpButton();
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
