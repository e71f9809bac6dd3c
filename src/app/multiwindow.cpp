// The other editor windows: finding them, notifying them, the open-file registry, and the
// launch chain that opens files in windows of their own one process after another.
#include "app/mainform.h"

#include "app/documenttexts.h"
#include "app/multiwindowtexts.h"
#include "app/statusbar.h"
#include "app/uitexts.h"
#include "platform/launchline.h"
#include "platform/prompts.h"
#include "platform/system.h"
#include "settings/placement.h"
#include "settings/profilefile.h"
#include "settings/teoption.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTimer>

namespace velmo {

namespace {

const QString kEditFiles = QStringLiteral("EditFiles");

// More editor windows than this make the user confirm.
constexpr int kWindowLimit = 30;

QString limitText(const char *format)
{
    return QString::fromUtf8(format).replace(QLatin1String("%d"), QString::number(kWindowLimit));
}

} // namespace

void TMainForm::ConnectMultiWindowCommands()
{
    auto wire = [this](QAction *action, void (TMainForm::*handler)()) {
        if (!action)
            return;
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    wire(FileNewWindowMenu, &TMainForm::FileNewWindowMenuClick);
    wire(NewWindowButton, &TMainForm::FileNewWindowMenuClick);
    wire(FileOpenNewItem, &TMainForm::FileOpenNewClick);
    wire(OpenNewWinButton, &TMainForm::FileOpenNewClick);
    wire(PopFileOpenNewMenu->actions().value(0), &TMainForm::FileOpenNewClick);
    wire(CloseAllMenu, &TMainForm::CloseAllMenuClick);
}

int TMainForm::CountOtherWindows()
{
    OtherWindows.clear();
    if (!services_.bus)
        return 0;
    const WindowHandle own = services_.bus->ownHandle();
    // Editor windows are known by what they are on the bus, whatever their captions say.
    for (const WindowInfo &info : services_.bus->enumerateWindows(WindowBus::kEnumerationLimit)) {
        if (info.handle != own && IsEditorWindow(info))
            OtherWindows.push_back(info.handle);
    }
    return int(OtherWindows.size());
}

void TMainForm::BroadcastNotify(EditorNotify code, std::int64_t lParam, bool wait)
{
    CountOtherWindows();
    if (!services_.bus)
        return;
    const EditorMessage notice{code, lParam};
    for (WindowHandle handle : OtherWindows) {
        if (wait)
            SendNotify(*services_.bus, handle, notice);
        else
            PostNotify(*services_.bus, handle, notice);
    }
}

void TMainForm::RegisterOpenFile(bool eraseFirst)
{
    // A closed window has taken its entry away: an idle moment before the program ends must
    // not put it back.
    if (closed_ || !Options || Options->CurrentFile.isEmpty() || !services_.bus || services_.bus->ownHandle() == 0)
        return;
    TProfileFile file(SettingsFileName(), *services_.storage);
    if (eraseFirst)
        file.EraseSection(kEditFiles);
    file.WritePath(kEditFiles, QString::number(services_.bus->ownHandle()), Options->CurrentFile);
}

void TMainForm::UnregisterOpenFile(bool wholeSection)
{
    if (!services_.bus || SettingsFileName().isEmpty())
        return;
    TProfileFile file(SettingsFileName(), *services_.storage);
    if (wholeSection)
        file.EraseSection(kEditFiles);
    else if (services_.bus->ownHandle() != 0)
        file.DeleteKey(kEditFiles, QString::number(services_.bus->ownHandle()));
}

void TMainForm::LaunchWindows(const QStringList &files, bool readOnly)
{
    if (files.isEmpty() || !services_.bus || !Placement)
        return;
    QStringList list;
    for (const QString &file : files)
        list << QDir::cleanPath(QDir(startFolder_).absoluteFilePath(file));

    // Windows still waiting in the chain count as the windows they will be.
    const int others = CountOtherWindows() + int(PendingLaunches.size());
    if (list.size() + others > kWindowLimit) {
        const PromptResult answer = services_.prompts->message(
            limitText(multiwindowtexts::kLimitFilesQuestion), PromptButtons::YesNoCancel,
            PromptIcon::Exclamation);
        if (answer == PromptResult::Cancel || answer == PromptResult::None)
            return;
        // Yes limits the Velmo windows to the limit, this one included.
        if (answer == PromptResult::Yes) {
            while (!list.isEmpty() && list.size() + others + 1 > kWindowLimit)
                list.removeLast();
        }
    }
    if (list.isEmpty())
        return;

    // A chain already running takes the new files after its own, further down the cascade.
    const bool running = LaunchChainRunning();
    QRect placement = nextLaunchPlacement_;
    if (!running) {
        Placement->UpdateNext();
        placement = QRect(Placement->NextLeft, Placement->NextTop, Placement->NextWidth, Placement->NextHeight);
        launchFailureShown_ = false;
    }
    const WindowHandle own = services_.bus->ownHandle();
    for (const QString &file : list) {
        PendingLaunches << BuildLaunchLine(own, placement.x(), placement.y(), placement.width(),
                                           placement.height(), file, readOnly);
        placement = Placement->NextPlacement(placement);
    }
    nextLaunchPlacement_ = placement;
    AddToHistory(list, false);
    if (!running)
        HandleNotify(EditorMessage{EditorNotify::Ready, own});
}

// Starts the first pending line; at the end of the chain, has the registry rebuilt.
void TMainForm::LaunchNext()
{
    launchWaiting_ = 0;
    while (!PendingLaunches.isEmpty()) {
        const QString line = PendingLaunches.takeFirst();
        const int serial = ++launchSerial_;
        QPointer<TMainForm> self(this);
        const bool started = services_.bus->launchEditor(ProgramPath(), line, LaunchShow::Normal, [self, serial] {
            if (self)
                self->LaunchEnded(serial);
        });
        if (started) {
            launchWaiting_ = serial;
            return;
        }
        // A window that cannot start does not hold up the others.
        ShowLaunchFailure();
    }
    TrySettingsWrite([this] { TProfileFile(SettingsFileName(), *services_.storage).EraseSection(kEditFiles); });
    RegistryRefreshPending = true;
    BroadcastNotify(NotifyRegistryRefresh, EDITORNOTIFY_MAGIC, false);
}

void TMainForm::LaunchEnded(int serial)
{
    // A process that ends after its window reported is nothing to the chain; one that ends
    // before never will report, so the chain goes on without it.
    if (serial == 0 || serial != launchWaiting_)
        return;
    ShowLaunchFailure();
    LaunchNext();
}

void TMainForm::ShowLaunchFailure()
{
    if (launchFailureShown_)
        return;
    launchFailureShown_ = true;
    ShowError(QString::fromUtf8(multiwindowtexts::kLaunchFailed).replace(QLatin1String("%s"), ProgramPath()));
}

void TMainForm::FileNewWindowMenuClick()
{
    if (!services_.bus)
        return;
    if (CountOtherWindows() + 1 > kWindowLimit
        && services_.prompts->message(limitText(multiwindowtexts::kLimitNewWindowQuestion),
                                      PromptButtons::YesNo, PromptIcon::Exclamation)
               != PromptResult::Yes)
        return;
    // The new process reads where to appear and which files were used from the settings file.
    SettingsAction newWindow(*this);
    if (Placement)
        TrySettingsWrite([this] { Placement->SaveNextPlacement(); });
    if (Options)
        TrySettingsWrite([this] { Options->History.StoreTo(); });
    if (!services_.bus->launchEditor(ProgramPath(), QStringLiteral("/n"), LaunchShow::NoActivate)) {
        launchFailureShown_ = false;
        ShowLaunchFailure();
    }
}

void TMainForm::FileOpenNewClick()
{
    FileDialogOptions dialog;
    dialog.title = QString::fromUtf8(multiwindowtexts::kOpenNewDialogTitle);
    for (const texts::FileTypeText &type : texts::kOpenFileTypes)
        dialog.filters.push_back({QString::fromUtf8(type.description), QString::fromLatin1(type.pattern)});
    dialog.filterIndex = RichEdit->PlainText() ? 1 : 2;
    dialog.defaultExtension = OpenDialogDefaultExt;
    if (Options && Options->SaveDataDir)
        dialog.initialFolder = Options->CurrentDir;
    dialog.allowMultiple = true;
    dialog.fileMustExist = true;
    dialog.pathMustExist = true;
    const FileDialogResult chosen = services_.prompts->openFileDialog(dialog);
    if (chosen.accepted && !chosen.files.isEmpty())
        LaunchWindows(chosen.files, false);
}

void TMainForm::CloseAllMenuClick()
{
    // Every other window closes without saving its settings; this one closes as usual.
    BroadcastNotify(NotifyClose, EDITORNOTIFY_MAGIC, false);
    close();
}

bool TMainForm::IdleWorkPending() const
{
    return OwnerWindow != 0 || HistoryChanged || RegistryRefreshPending || !deferredNotices_.empty();
}

void TMainForm::IdleWork()
{
    // Inside a send of its own the window is not idle: it only answers sends meanwhile.
    if (!services_.bus || services_.bus->isWaiting())
        return;
    if (!deferredNotices_.empty()) {
        DeliverDeferredNotices();
        return;
    }
    const WindowHandle own = services_.bus->ownHandle();
    // One thing per idle moment, the first that applies.
    if (OwnerWindow != 0) {
        const WindowHandle owner = OwnerWindow;
        OwnerWindow = 0;
        SendNotify(*services_.bus, owner, {NotifyReady, own});
    } else if (HistoryChanged) {
        HistoryChanged = false;
        BroadcastNotify(NotifyHistoryChanged, own, true);
    } else if (RegistryRefreshPending) {
        RegistryRefreshPending = false;
        // A refused write is shown like any other; it must not escape from the idle handler.
        TrySettingsWrite([this] { RegisterOpenFile(false); });
    }
}

bool TMainForm::ModalBusy() const
{
    return QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr;
}

void TMainForm::DeliverDeferredNotices()
{
    while (!deferredNotices_.empty() && !ModalBusy()) {
        const EditorMessage notice = deferredNotices_.front();
        deferredNotices_.erase(deferredNotices_.begin());
        HandleNotify(notice);
    }
}

std::int64_t TMainForm::handleBusMessage(std::uint32_t message, std::int64_t wParam,
                                         std::int64_t lParam)
{
    const std::optional<EditorMessage> notice = EditorMessage::decode(message, wParam, lParam);
    if (!notice)
        return 0;
    // Closing or reloading under an open dialog would pull the window from under it: such
    // requests wait until the dialog has closed.
    if ((notice->code == EditorNotify::Close || notice->code == EditorNotify::SettingsChanged) && ModalBusy()) {
        deferredNotices_.push_back(*notice);
        return 0;
    }
    HandleNotify(*notice);
    return 0;
}

void TMainForm::HandleNotify(const EditorMessage &notice)
{
    const WindowHandle own = services_.bus ? services_.bus->ownHandle() : 0;
    switch (notice.code) {
    case EditorNotify::Close:
        if (notice.argument == EDITORNOTIFY_MAGIC) {
            ClosingOnRequest = true;
            // Closed from the event loop, not from inside the bus's delivery.
            QTimer::singleShot(0, this, [this] {
                if (!close())
                    ClosingOnRequest = false; // the user kept the window: it saves as usual
            });
        }
        break;
    case EditorNotify::SettingsChanged:
        if (notice.argument != own && AppRecord)
            LoadSettings(true);
        break;
    case EditorNotify::HistoryChanged:
        if (notice.argument != own && Options)
            ReloadHistory();
        break;
    case EditorNotify::Ready:
        LaunchNext();
        break;
    case EditorNotify::RegistryRefresh:
        RegistryRefreshPending = true;
        break;
    }
}

QString TMainForm::busCaption() const
{
    return windowTitle();
}

QString TMainForm::busClassName() const
{
    return kEditorWindowClass;
}

bool TMainForm::busBringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    return true;
}

} // namespace velmo
