// Editor windows as real processes on the real window bus: the launch chain started from
// the command line, and close-all across processes.
#include "mainformfixture.h"

#include "app/editornotify.h"
#include "platform/localwindowbus.h"
#include "settings/teoption.h"

#include <QDeadlineTimer>
#include <QDirIterator>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <csignal>
#include <map>

using namespace velmo;

namespace {

using velmo::testing::u8;

// Runs the event loop until the condition holds; processes start slowly on a busy machine.
bool waitLong(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(120000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class MultiWindowProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        program = dir.filePath("velmo");
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELMO_PROGRAM), program));
        QFile(program).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile ini(dir.filePath("velmo.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Velmo]\r\nVersion=2.66\r\n[Window]\r\nLeft=10\r\nTop=20\r\nWidth=500\r\nHeight=300\r\n");
        observer = std::make_unique<LocalWindowBus>(dir.filePath("velmo.ini"));
    }

    void TearDown() override
    {
        // Whatever is left of the windows this test started.
        for (qint64 pid : processes().keys())
            ::kill(pid_t(pid), SIGKILL);
        if (first.state() != QProcess::NotRunning)
            first.waitForFinished(10000);
        QDir(LocalWindowBus::folderFor(dir.filePath("velmo.ini"))).removeRecursively();
    }

    QString put(const char *name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name);
        return path;
    }

    // The running processes of this test's program, with their arguments.
    QMap<qint64, QStringList> processes() const
    {
        QMap<qint64, QStringList> found;
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool ok = false;
            const qint64 pid = entry.toLongLong(&ok);
            if (!ok || QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() != program)
                continue;
            QFile state(QStringLiteral("/proc/%1/stat").arg(pid));
            if (state.open(QIODevice::ReadOnly) && state.readAll().contains(") Z "))
                continue; // ended, not yet reaped
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (!cmdline.open(QIODevice::ReadOnly))
                continue;
            QStringList args;
            for (const QByteArray &a : cmdline.readAll().split('\0'))
                args << QString::fromLocal8Bit(a);
            if (!args.isEmpty() && args.last().isEmpty())
                args.removeLast();
            found.insert(pid, args.mid(1));
        }
        return found;
    }

    // The editor windows on the bus: handle -> caption.
    std::map<WindowHandle, QString> windows()
    {
        std::map<WindowHandle, QString> out;
        for (const WindowInfo &info : observer->enumerateWindows())
            if (IsEditorWindow(info))
                out[info.handle] = info.caption;
        return out;
    }

    void startFirst(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        first.setProcessEnvironment(environment);
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start(program, arguments);
        ASSERT_TRUE(first.waitForStarted(30000));
    }

    QTemporaryDir dir;
    QString program;
    std::unique_ptr<LocalWindowBus> observer;
    QProcess first;
};

// Three files handed to one window give three windows, one per file, the second and third
// placed one cascade step after the window before.
TEST_F(MultiWindowProcessTest, ThreeFilesGiveThreeCascadedWindows)
{
    const QString a = put("a.txt"), b = put("b.txt"), c = put("c.txt");
    startFirst({a, b, c});
    const QStringList expected{"Velmo: " + a, "Velmo: " + b, "Velmo: " + c};
    ASSERT_TRUE(waitLong([&] {
        QStringList captions;
        for (const auto &[handle, caption] : windows())
            captions << caption;
        captions.sort();
        return captions == expected;
    })) << "windows: " << windows().size();

    // Where the launched windows were told to appear.
    std::map<QString, QPoint> placed;
    for (const QStringList &args : processes()) {
        const CommandLine line = ParseCommandLine(args);
        if (line.files.size() == 1 && line.left && line.top)
            placed[line.files[0]] = QPoint(*line.left, *line.top);
    }
    ASSERT_EQ(placed.size(), 2u);
    const QPoint step = placed[c] - placed[b];
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    EXPECT_EQ(placed[b] - QPoint(10, 20), step);

    // When the chain has ended every window has its entry in the registry again.
    EXPECT_TRUE(waitLong([&] {
        QStringList held;
        const TProfileFile ini(dir.filePath("velmo.ini"));
        for (const QString &key : ini.ReadSection("EditFiles"))
            held << ini.ReadPath("EditFiles", key, QString());
        held.sort();
        return held == QStringList{a, b, c};
    }));
}

// Close all while another window holds a modified document whose user cancels the save
// question: exactly that window stays open.
TEST_F(MultiWindowProcessTest, CloseAllLeavesTheWindowWhoseUserCancels)
{
    const QString a = put("a.txt"), b = put("b.txt");
    startFirst({a, b});
    ASSERT_TRUE(waitLong([&] { return windows().size() == 2; }));

    // Two more windows in this process on the real bus: one that closes all, one whose
    // modified document's question is answered Cancel.
    FixedSystemInfo system(program);
    FixedScreen screen{{0, 0, 1024, 738}, 19, 96};
    FakePrinters printers;
    RecordingShell shell;
    FakeFileSystem files{dir.filePath("trash")};
    auto makeWindow = [&](LocalWindowBus &bus, ScriptedPrompts &prompts) {
        MainFormServices s;
        s.prompts = &prompts;
        s.shell = &shell;
        s.fileSystem = &files;
        s.bus = &bus;
        s.system = &system;
        s.screen = &screen;
        s.printers = &printers;
        auto form = std::make_unique<TMainForm>(s);
        form->show();
        return form;
    };
    LocalWindowBus closerBus(dir.filePath("velmo.ini")), keeperBus(dir.filePath("velmo.ini"));
    ScriptedPrompts closerPrompts, keeperPrompts;
    auto closer = makeWindow(closerBus, closerPrompts);
    auto keeper = makeWindow(keeperBus, keeperPrompts);
    keeper->RichEdit->SetText(QStringLiteral("unsaved"));
    keeper->RichEdit->SetModified(true);
    keeperPrompts.answer(PromptResult::Cancel);
    ASSERT_TRUE(waitLong([&] { return windows().size() == 4; }));

    closer->CloseAllMenu->trigger();
    EXPECT_FALSE(closer->isVisible());
    closer.reset(); // a closed window's process ends
    ASSERT_TRUE(waitLong([&] { return processes().isEmpty() && keeperPrompts.scriptDone(); }));
    EXPECT_TRUE(keeper->isVisible());
    EXPECT_EQ(windows(), (std::map<WindowHandle, QString>{{keeperBus.ownHandle(), keeper->windowTitle()}}));
    ASSERT_EQ(keeperPrompts.messages().size(), 1u);
    EXPECT_EQ(keeperPrompts.messages()[0].buttons, PromptButtons::YesNoCancel);
    // Kept open, the window closes as usual later on (its settings are saved then).
    EXPECT_FALSE(keeper->ClosingOnRequest);
    keeper->RichEdit->SetModified(false);
    EXPECT_TRUE(keeper->close());
}

} // namespace
