// The program: one editor window per process.
#include "app/fontsubstitutes.h"
#include "app/japaneselocale.h"
#include "app/mainform.h"
#include "app/uitexts.h"
#include "platform/filesystem.h"
#include "platform/printers.h"
#include "platform/prompts.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/velmoapplication.h"
#include "platform/localwindowbus.h"
#include "settings/profilestorage.h"

#include <QIcon>
#include <QDir>

#include <exception>
#include <memory>

int main(int argc, char **argv)
{
    // Before the application object: the toolkit reads the system's locale only once.
    velmo::UseJapaneseLocale();
    velmo::VelmoApplication app(argc, argv);
    velmo::InstallToolkitTextGaps(app);
    app.setApplicationName(QString::fromUtf8(velmo::texts::kTitle));
    velmo::RegisterFaceSubstitutes();
    // Outside a desktop session no icon theme is set; the freedesktop icons still are there.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));

    velmo::QtPrompts prompts;
    app.setErrorPrompts(&prompts);
    try {
        velmo::ProcessSystemInfo system;
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
        services.storage = &velmo::ProfileStorage::system();
        services.arguments = app.arguments().mid(1);

        velmo::TMainForm form(services);
        // A window opened by the new-window command appears behind the one that asked for it.
        if (velmo::launchShowOfThisProcess() == velmo::LaunchShow::NoActivate)
            form.setAttribute(Qt::WA_ShowWithoutActivating);
        prompts.setOwner(&form);
        form.show();
        const int code = app.exec();
        prompts.setOwner(nullptr);
        return code;
    } catch (const std::exception &error) {
        // Whatever escapes the window's creation or the event loop is shown, and the process ends.
        velmo::showException(prompts, error);
        return 1;
    }
}
