// OK in the settings dialog reaches another editor window in a process of its own: the
// real bus, the real settings file, the other window re-reads it.
#include "app/mainform.h"
#include "doubles/fixedscreen.h"
#include "app/optionform.h"
#include "doubles/fakefilesystem.h"
#include "doubles/fakeprinters.h"
#include "doubles/recordingshell.h"
#include "doubles/scriptedprompts.h"
#include "mainformfixture.h"
#include "platform/system.h"
#include "platform/localwindowbus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>

namespace velmo {
namespace {

// The next line the peer prints, waiting at most 20 s for it (and serving this process's
// events meanwhile, so that the bus's messages flow both ways).
QByteArray nextLine(QProcess &peer)
{
    QDeadlineTimer deadline(20000);
    while (!peer.canReadLine() && !deadline.hasExpired() && peer.state() == QProcess::Running) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        peer.waitForReadyRead(50);
    }
    return peer.canReadLine() ? peer.readLine().trimmed() : QByteArray();
}

TEST(SettingsBroadcast, AnotherWindowProcessReloadsAfterOk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath("velmo");
    {
        QFile ini(program + ".ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Velmo]\r\nVersion=2.66\r\n[Options]\r\nButtonSize=22\r\n");
    }
    QProcess peer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    peer.setProcessEnvironment(env);
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(VELMO_WINDOW_PEER, {program});
    ASSERT_TRUE(peer.waitForStarted());
    const QList<QByteArray> ready = nextLine(peer).split(' ');
    ASSERT_EQ(ready.size(), 3);
    ASSERT_EQ(ready[0], "READY");
    EXPECT_EQ(ready[2], "22");

    FixedSystemInfo system(program);
    LocalWindowBus bus(system.settingsFilePath());
    ScriptedPrompts prompts;
    RecordingShell shell;
    FakeFileSystem files(dir.filePath("trash"));
    FixedScreen screen;
    FakePrinters printers;
    MainFormServices s;
    s.prompts = &prompts;
    s.shell = &shell;
    s.fileSystem = &files;
    s.bus = &bus;
    s.system = &system;
    s.screen = &screen;
    s.printers = &printers;
    const QString saved = QDir::currentPath();
    {
        TMainForm form(s);
        form.show();
        EXPECT_EQ(form.CountOtherWindows(), 1);
        TOptionForm dialog(form);
        dialog.ButtonSizeUpDown->setValue(36);
        dialog.OkButtonClick();
        EXPECT_EQ(nextLine(peer), "SETTINGS 36");
        form.close();
    }
    QDir::setCurrent(saved);
    peer.terminate();
    peer.waitForFinished(10000);
}

} // namespace
} // namespace velmo
