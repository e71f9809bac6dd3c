// A real editor window in a process of its own, driven in a loop for the fault tests. Real
// files, the real settings storage; prompts are answered by a script that prints them.
//
//   velmo_window_loop save <folder> <document>
//     Opens <document>, writes the settings once and prints "READY <sha1 of the file>".
//     Then forever: puts a new text of some hundred kilobytes in the document, prints
//     "SAVING <n> <sha1 of the bytes the save writes>", saves the document and the
//     settings, prints "SAVED <n>". The test kills it at a random moment.
//
//   velmo_window_loop history <folder> <name> <milliseconds>
//     On the window bus of <folder>/velmo.ini, like every other window there: opens
//     <folder>/<name>-<n>.txt one after another (each goes to the top of the shared file
//     history), flips an option and saves every setting, until the time is up (at least
//     three times); then
//     prints "DONE <n>" and closes the window as a user would.
#include "app/mainform.h"
#include "doubles/fakeprinters.h"
#include "doubles/fixedscreen.h"
#include "doubles/fixedsysteminfo.h"
#include "doubles/recordingshell.h"
#include "doubles/scriptedprompts.h"
#include "platform/filesystem.h"
#include "platform/screen.h"
#include "platform/system.h"
#include "platform/velmoapplication.h"
#include "platform/localwindowbus.h"
#include "settings/profilestorage.h"
#include "settings/teoption.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace velmo;

namespace {

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QByteArray sha1(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

// Prompts answered Yes/OK without a person; each is printed, so the test sees errors.
class LoggingPrompts : public ScriptedPrompts {
public:
    void showError(const QString &message) override
    {
        say("ERROR " + message.toUtf8());
        ScriptedPrompts::showError(message);
    }
};

void replaceText(TMainForm &form, const QString &text)
{
    form.RichEdit->selectAll();
    form.RichEdit->insertPlainText(text);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    VelmoApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: see the top of windowloop.cpp\n");
        return 2;
    }
    const QString mode = args[1];
    const QString folder = args[2];

    FixedSystemInfo system(folder + QStringLiteral("/velmo"));
    LoggingPrompts prompts;
    app.setErrorPrompts(&prompts);
    LocalFileSystem files;
    RecordingShell shell(folder + QStringLiteral("/temp"));
    LocalWindowBus bus(system.settingsFilePath());
    FixedScreen screen;
    FakePrinters printers;

    MainFormServices services;
    services.prompts = &prompts;
    services.fileSystem = &files;
    services.shell = &shell;
    services.bus = &bus;
    services.system = &system;
    services.screen = &screen;
    services.printers = &printers;
    services.storage = &ProfileStorage::system();

    if (mode == QLatin1String("save")) {
        const QString document = args[3];
        services.arguments = {document};
        TMainForm form(services);
        form.show();
        form.SaveSettings();
        QFile old(document);
        old.open(QIODevice::ReadOnly);
        say("READY " + sha1(old.readAll()));
        QString filler;
        for (int line = 0; line < 4000; ++line)
            filler += QStringLiteral("行 %1: あいうえお abcdefghijklmnopqrstuvwxyz 0123456789\n").arg(line);
        for (int n = 1;; ++n) {
            replaceText(form, QStringLiteral("版 %1\n").arg(n) + filler);
            const std::string bytes = form.RichEdit->SaveToStream();
            say("SAVING " + QByteArray::number(n) + ' ' + sha1(QByteArrayView(bytes.data(), qsizetype(bytes.size()))));
            if (!form.SaveDocument(document))
                say("FAILED " + QByteArray::number(n));
            form.SaveSettings();
            say("SAVED " + QByteArray::number(n));
        }
    }

    if (mode == QLatin1String("history") && args.size() >= 5) {
        const QString name = args[3];
        // Timed from the first store, so that a slow start-up still gets its share; at least
        // three rounds whatever the time.
        const int ms = args[4].toInt();
        QDeadlineTimer until;
        TMainForm form(services);
        form.show();
        int n = 0;
        QTimer step;
        QObject::connect(&step, &QTimer::timeout, &form, [&] {
            if (n == 0)
                until.setRemainingTime(ms);
            if (n >= 3 && until.hasExpired()) {
                step.stop();
                say("DONE " + QByteArray::number(n));
                form.close();
                return;
            }
            const QString path = QStringLiteral("%1/%2-%3.txt").arg(folder, name).arg(n++);
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write("x\r\n");
            file.close();
            form.OpenDocument(path, false);
            form.Options->URLLink = !form.Options->URLLink;
            form.SaveSettings();
        });
        step.start(0);
        return app.exec();
    }
    std::fprintf(stderr, "unknown mode %s\n", qPrintable(mode));
    return 2;
}
