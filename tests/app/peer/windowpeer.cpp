// A second editor window for the tests, in a process of its own: the real window on the real
// window bus and settings file, with prompts that answer as if closed. It prints
// "READY <handle> <button size>" once shown and "SETTINGS <button size>" each time another
// window's settings change has been handled, the button size being the width of the tool
// bar's new-document button.
//
//   usage: velmo_window_peer <program path>   (the settings file is that path with ".ini")
#include "app/mainform.h"
#include "doubles/fixedscreen.h"
#include "doubles/fixedsysteminfo.h"
#include "doubles/scriptedprompts.h"
#include "platform/filesystem.h"
#include "platform/printers.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/velmoapplication.h"
#include "platform/localwindowbus.h"

#include <QToolBar>

#include <cstdio>
#include <sys/prctl.h>
#include <csignal>

namespace {

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class PeerForm : public velmo::TMainForm {
public:
    using TMainForm::TMainForm;
    int buttonSize() const { return Toolbar->widgetForAction(NewButton)->width(); }
    std::int64_t handleBusMessage(std::uint32_t message, std::int64_t wParam, std::int64_t lParam) override
    {
        const std::int64_t result = TMainForm::handleBusMessage(message, wParam, lParam);
        if (message == velmo::WM_EDITORNOTIFY && wParam == std::int64_t(velmo::NotifySettingsChanged))
            say("SETTINGS " + QByteArray::number(buttonSize()));
        return result;
    }
};

} // namespace

int main(int argc, char **argv)
{
    // Ends with the test that started it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    velmo::VelmoApplication app(argc, argv);
    if (argc < 2)
        return 2;
    velmo::ScriptedPrompts prompts;
    velmo::FixedSystemInfo system(QString::fromLocal8Bit(argv[1]));
    velmo::LocalFileSystem fileSystem;
    velmo::DesktopShell shell;
    velmo::DesktopScreen screen;
    velmo::SystemPrinters printers;
    velmo::LocalWindowBus bus(system.settingsFilePath());
    velmo::MainFormServices services;
    services.prompts = &prompts;
    services.fileSystem = &fileSystem;
    services.shell = &shell;
    services.bus = &bus;
    services.system = &system;
    services.screen = &screen;
    services.printers = &printers;
    PeerForm form(services);
    form.show();
    say("READY " + QByteArray::number(bus.ownHandle()) + ' ' + QByteArray::number(form.buttonSize()));
    return app.exec();
}
