// The other editor windows: finding them, notifying them, and the open-file registry.
#include "app/mainform.h"

#include "app/statusbar.h"
#include "app/uitexts.h"
#include "platform/system.h"
#include "settings/profilefile.h"
#include "settings/teoption.h"

#include <QTimer>

namespace velmo {

namespace {
const QString kEditFiles = QStringLiteral("EditFiles");
}

int TMainForm::CountOtherWindows()
{
    OtherWindows.clear();
    if (!services_.bus)
        return 0;
    const WindowHandle own = services_.bus->ownHandle();
    // A window counts when its caption begins with "Velmo" and its class with "TMainForm".
    for (const WindowInfo &info : services_.bus->enumerateWindows(WindowBus::kEnumerationLimit)) {
        if (info.handle == own || !info.responding)
            continue;
        if (info.caption.left(5) == QLatin1String(texts::kTitle)
            && info.className.left(9) == QLatin1String("TMainForm"))
            OtherWindows.push_back(info.handle);
    }
    return int(OtherWindows.size());
}

void TMainForm::BroadcastNotify(std::int64_t code, std::int64_t lParam, bool wait)
{
    CountOtherWindows();
    for (WindowHandle handle : OtherWindows) {
        if (wait)
            services_.bus->sendMessage(handle, WM_EDITORNOTIFY, code, lParam);
        else
            services_.bus->postMessage(handle, WM_EDITORNOTIFY, code, lParam);
    }
}

void TMainForm::RegisterOpenFile(bool eraseFirst)
{
    if (!Options || Options->CurrentFile.isEmpty() || !services_.bus || services_.bus->ownHandle() == 0)
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
    filesForNewWindows_ = files;
    filesForNewWindowsReadOnly_ = readOnly;
    if (files.isEmpty())
        return;
    // Windows of their own cannot be started yet: the user learns that the further files
    // stayed closed instead of seeing them vanish.
    ShowProgressText(QString::fromUtf8(statustexts::kFurtherFilesNotOpened).arg(files.size()));
}

bool TMainForm::IdleWorkPending() const
{
    return OwnerWindow != 0 || HistoryChanged || RegistryRefreshPending;
}

void TMainForm::IdleWork()
{
    if (!services_.bus)
        return;
    const WindowHandle own = services_.bus->ownHandle();
    // One thing per idle moment, the first that applies.
    if (OwnerWindow != 0) {
        const WindowHandle owner = OwnerWindow;
        OwnerWindow = 0;
        services_.bus->sendMessage(owner, WM_EDITORNOTIFY, NotifyReady, own);
    } else if (HistoryChanged) {
        HistoryChanged = false;
        BroadcastNotify(NotifyHistoryChanged, own, true);
    } else if (RegistryRefreshPending) {
        RegistryRefreshPending = false;
        // A refused write is shown like any other; it must not escape from the idle handler.
        TrySettingsWrite([this] { RegisterOpenFile(false); });
    }
}

std::int64_t TMainForm::handleBusMessage(std::uint32_t message, std::int64_t wParam,
                                         std::int64_t lParam)
{
    if (message != WM_EDITORNOTIFY)
        return 0;
    const WindowHandle own = services_.bus ? services_.bus->ownHandle() : 0;
    switch (wParam) {
    case NotifyClose:
        if (lParam == EDITORNOTIFY_MAGIC) {
            ClosingOnRequest = true;
            // Closed from the event loop, not from inside the bus's delivery.
            QTimer::singleShot(0, this, [this] { close(); });
        }
        break;
    case NotifySettingsChanged:
        if (lParam != own && AppRecord)
            LoadSettings(true);
        break;
    case NotifyHistoryChanged:
        if (lParam != own && Options)
            Options->History.LoadFrom(QString());
        break;
    case NotifyReady:
        if (!PendingLaunches.isEmpty()) {
            const QString line = PendingLaunches.takeFirst();
            services_.bus->launchEditor(ProgramPath(), line, LaunchShow::Normal);
        } else {
            TrySettingsWrite([this] {
                TProfileFile(SettingsFileName(), *services_.storage).EraseSection(kEditFiles);
            });
            RegistryRefreshPending = true;
            BroadcastNotify(NotifyRegistryRefresh, EDITORNOTIFY_MAGIC, false);
        }
        break;
    case NotifyRegistryRefresh:
        RegistryRefreshPending = true;
        break;
    default:
        break;
    }
    return 0;
}

QString TMainForm::busCaption() const
{
    return windowTitle();
}

QString TMainForm::busClassName() const
{
    return QStringLiteral("TMainForm");
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
