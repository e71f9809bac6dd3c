// Coordination between editor windows on the in-memory bus: the launch chain, the window
// limit, the new-window and close-all commands, the idle work and the notifications.
#include "mainformfixture.h"

#include "app/multiwindowtexts.h"
#include "doubles/recordingbuswindow.h"
#include "settings/teoption.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QMenu>

#include <deque>

using namespace velmo;

namespace {

using velmo::testing::filesOfLines;
using velmo::testing::launchedFiles;
using velmo::testing::u8;
using velmo::testing::waitUntil;

class MultiWindowTest : public velmo::testing::MainFormFixture {
protected:
    QString put(const QString &name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text");
        return path;
    }

    // Exactly count other editor windows (stand-ins) on the bus.
    void setOthers(int count)
    {
        while (int(others.size()) > count) {
            network.killWindow(otherHandles.back());
            otherHandles.pop_back();
            others.pop_back();
        }
        while (int(others.size()) < count) {
            others.emplace_back(QStringLiteral("Velmo: other"), QStringLiteral("TMainForm"));
            otherHandles.push_back(network.addWindow(&others.back()));
        }
    }

    int notices(const RecordingBusWindow &window, EditorNotify code) const
    {
        int n = 0;
        for (const auto &r : window.received())
            n += r.message == WM_EDITORNOTIFY && r.wParam == std::int64_t(code) ? 1 : 0;
        return n;
    }

    std::deque<RecordingBusWindow> others;
    std::vector<WindowHandle> otherHandles;
    MemoryWindowBus reporter{network};
};

// Four files: one opens here, one window starts at once and each report starts the next,
// placed down the cascade; the last report rebuilds [EditFiles] and tells every window.
TEST_F(MultiWindowTest, LaunchChainStartsOneWindowPerReport)
{
    writeSettings("[EditFiles]\r\n99=/stale.txt\r\n");
    const QString a = put("a.txt"), b = put("b.txt"), c = put("c.txt"), d = put("d.txt");
    RecordingBusWindow other(QStringLiteral("Velmo"), QStringLiteral("TMainForm"));
    network.addWindow(&other);
    auto form = start({"/r", a, b, c, d});
    ASSERT_EQ(form->Options->CurrentFile, a);
    const WindowHandle own = bus.ownHandle();

    EXPECT_EQ(network.launches().size(), 1u);
    for (int reported = 1; reported <= 3; ++reported) {
        SendNotify(reporter, own, {NotifyReady, 4242});
        EXPECT_EQ(network.launches().size(), std::size_t(qMin(reported + 1, 3)));
    }
    EXPECT_EQ(launchedFiles(network), (QStringList{b, c, d}));
    const int step = screen.cascadeStep();
    const QRect here = form->frameGeometry();
    for (std::size_t i = 0; i < network.launches().size(); ++i) {
        SCOPED_TRACE(i);
        const MemoryBusNetwork::Launch &launch = network.launches()[i];
        const CommandLine line = ParseCommandLine(launch.arguments);
        EXPECT_EQ(launch.program, dir.filePath("velmo"));
        EXPECT_EQ(launch.show, LaunchShow::Normal);
        EXPECT_EQ(line.owner, own);
        EXPECT_EQ(line.left, here.x() + step * int(i + 1));
        EXPECT_EQ(line.top, here.y() + step * int(i + 1));
        EXPECT_EQ(line.width, here.width());
        EXPECT_EQ(line.height, here.height());
        EXPECT_TRUE(line.readOnly);
        EXPECT_TRUE(launch.parameters.endsWith(" /r"));
    }
    // Launched files join the history (newest on top) but only the opened one marked it.
    EXPECT_EQ(form->Options->History.Items.mid(0, 4), (QStringList{d, c, b, a}));

    // The third window reports: nothing is pending, the registry is rebuilt.
    EXPECT_EQ(notices(other, NotifyRegistryRefresh), 0);
    network.deliverPosted();
    const int before = notices(other, NotifyRegistryRefresh);
    SendNotify(reporter, own, {NotifyReady, 4243});
    EXPECT_EQ(network.launches().size(), 3u);
    EXPECT_FALSE(TProfileFile(ini()).ValueExists("EditFiles", "99"));
    network.deliverPosted();
    EXPECT_EQ(notices(other, NotifyRegistryRefresh), before + 1);
    EXPECT_TRUE(waitUntil([&] { return !form->IdleWorkPending(); }));
    EXPECT_EQ(TProfileFile(ini()).ReadString("EditFiles", QString::number(own), ""), a);
    EXPECT_TRUE(prompts.log().empty());
    form->ClosingOnRequest = true;
}

// The limit of 30 windows: the question for files, and the one for an empty new window.
TEST_F(MultiWindowTest, WindowLimit)
{
    writeSettings();
    const QString first = put("first.txt");
    const QStringList more{put("b.txt"), put("c.txt"), put("d.txt")};
    const struct {
        int others;
        PromptResult answer; // None: no question
        int launched;        // started now plus waiting in the chain
    } cases[] = {
        {28, PromptResult::Yes, 1},
        {28, PromptResult::No, 3},
        {28, PromptResult::Cancel, 0},
        {30, PromptResult::Yes, 0},
        {27, PromptResult::None, 3}, // 27 + 3 is not above 30
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.others << " others, answer " << int(c.answer));
        setOthers(c.others);
        network.clearLog();
        prompts.clear();
        auto form = start();
        if (c.answer != PromptResult::None)
            prompts.answer(c.answer);
        form->HandleDropFiles(QStringList{first} + more);
        EXPECT_EQ(form->Options->CurrentFile, first);
        EXPECT_EQ(int(network.launches().size() + form->PendingLaunches.size()), c.launched);
        const auto asked = prompts.messages();
        ASSERT_EQ(asked.size(), c.answer == PromptResult::None ? 0u : 1u);
        if (!asked.empty()) {
            EXPECT_EQ(asked[0].text, u8(multiwindowtexts::kLimitFilesQuestion).replace("%d", "30"));
            EXPECT_EQ(asked[0].buttons, PromptButtons::YesNoCancel);
            EXPECT_EQ(asked[0].icon, PromptIcon::Exclamation);
        }
        form->ClosingOnRequest = true;
    }

    const struct {
        int others;
        PromptResult answer;
        bool launched;
    } empty[] = {
        {29, PromptResult::None, true},
        {30, PromptResult::No, false},
        {30, PromptResult::Yes, true},
    };
    for (const auto &c : empty) {
        SCOPED_TRACE(::testing::Message() << c.others << " others, new window, answer " << int(c.answer));
        setOthers(c.others);
        network.clearLog();
        prompts.clear();
        auto form = start();
        form->Options->History.Items = {first};
        form->move(100, 50);
        TProfileFile(ini()).EraseSection("History");
        if (c.answer != PromptResult::None)
            prompts.answer(c.answer);
        form->NewWindowButton->trigger();
        EXPECT_EQ(prompts.messages().size(), c.answer == PromptResult::None ? 0u : 1u);
        if (!prompts.messages().empty())
            EXPECT_EQ(prompts.messages()[0].text,
                      u8(multiwindowtexts::kLimitNewWindowQuestion).replace("%d", "30"));
        ASSERT_EQ(network.launches().size(), c.launched ? 1u : 0u);
        if (c.launched) {
            EXPECT_EQ(network.launches()[0].arguments, QStringList{"/n"});
            EXPECT_EQ(network.launches()[0].show, LaunchShow::NoActivate);
            // The new process finds the cascaded placement and this window's history.
            EXPECT_EQ(read("Window", "Left"), QString::number(form->frameGeometry().x() + screen.cascadeStep()));
            EXPECT_EQ(read("History", "0"), first);
        }
        form->ClosingOnRequest = true;
    }
    setOthers(0);
}

// A window that cannot start, or whose process ends before it reports, does not stall the
// chain: the failure is shown once and the next file is started.
TEST_F(MultiWindowTest, FailedLaunchesDoNotStallTheChain)
{
    writeSettings();
    const QString a = put("a.txt"), b = put("b.txt"), c = put("c.txt"), d = put("d.txt");
    auto form = start();
    const QString failed = u8(multiwindowtexts::kLaunchFailed).replace("%s", dir.filePath("velmo"));

    network.setLaunchResult(false);
    form->LaunchWindows({a, b}, false);
    EXPECT_EQ(launchedFiles(network), (QStringList{a, b}));
    EXPECT_FALSE(form->LaunchChainRunning());
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text, failed);
    EXPECT_FALSE(TProfileFile(ini()).SectionExists("EditFiles"));

    // Started, then gone before its first idle moment.
    network.setLaunchResult(true);
    network.clearLog();
    prompts.clear();
    form->LaunchWindows({c, d}, false);
    ASSERT_EQ(network.launches().size(), 1u);
    network.endLaunch(0);
    EXPECT_EQ(launchedFiles(network), (QStringList{c, d}));
    EXPECT_EQ(prompts.messages().size(), 1u);
    // The second one reports and ends later: nothing more to say.
    SendNotify(reporter, bus.ownHandle(), {NotifyReady, 4242});
    network.endLaunch(1);
    EXPECT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(network.launches().size(), 2u);
    EXPECT_FALSE(form->LaunchChainRunning());
    form->ClosingOnRequest = true;
}

// A launched window that is closed before its first idle moment still reports, so that its
// launcher goes on with the chain.
TEST_F(MultiWindowTest, LaunchedWindowClosedBeforeReportingStillReports)
{
    writeSettings();
    const QString a = put("a.txt");
    RecordingBusWindow launcher(QStringLiteral("Velmo"), QStringLiteral("TMainForm"));
    const WindowHandle launcherHandle = network.addWindow(&launcher);
    auto form = start({"/Owner=" + QString::number(launcherHandle), a});
    ASSERT_EQ(form->OwnerWindow, launcherHandle);
    form->close();
    EXPECT_EQ(notices(launcher, NotifyReady), 1);
}

// IdleWork does one thing per idle moment, in this order: report to the launcher, announce
// the history, rewrite the registry entry. Never inside a send of its own.
TEST_F(MultiWindowTest, IdleWorkOrder)
{
    writeSettings();
    const QString a = put("a.txt");
    RecordingBusWindow other(QStringLiteral("Velmo"), QStringLiteral("TMainForm"));
    const WindowHandle otherHandle = network.addWindow(&other);
    auto form = start();
    ASSERT_TRUE(form->OpenDocument(a, false));
    waitUntil([&] { return !form->IdleWorkPending(); });
    other.clearReceived();
    TProfileFile(ini()).EraseSection("EditFiles");

    form->OwnerWindow = otherHandle;
    form->HistoryChanged = true;
    form->RegistryRefreshPending = true;
    const WindowHandle own = bus.ownHandle();

    bus.setWaiting(true);
    form->IdleWork();
    EXPECT_TRUE(other.received().empty());
    bus.setWaiting(false);

    form->IdleWork();
    EXPECT_EQ(other.received(), (std::vector<RecordingBusWindow::Received>{
                                    {WM_EDITORNOTIFY, std::int64_t(NotifyReady), own}}));
    EXPECT_EQ(form->OwnerWindow, 0);
    form->IdleWork();
    EXPECT_EQ(other.received().back(),
              (RecordingBusWindow::Received{WM_EDITORNOTIFY, std::int64_t(NotifyHistoryChanged), own}));
    EXPECT_EQ(network.deliveries().back().sent, true);
    EXPECT_FALSE(TProfileFile(ini()).ValueExists("EditFiles", QString::number(own)));
    form->IdleWork();
    EXPECT_EQ(TProfileFile(ini()).ReadString("EditFiles", QString::number(own), ""), a);
    EXPECT_EQ(other.received().size(), 2u);
    EXPECT_FALSE(form->IdleWorkPending());
    form->ClosingOnRequest = true;
}

// A close request or a settings change that comes while a dialog is open waits for it.
TEST_F(MultiWindowTest, CloseRequestWaitsForAnOpenDialog)
{
    writeSettings();
    auto form = start();
    bool visibleUnderDialog = false;
    QDialog dialog(form.get());
    dialog.setModal(true);
    QTimer::singleShot(0, &dialog, [&] {
        form->handleBusMessage(WM_EDITORNOTIFY, std::int64_t(NotifyClose), EDITORNOTIFY_MAGIC);
        // Whatever the request set going runs now, under the dialog.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        visibleUnderDialog = form->isVisible();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(visibleUnderDialog);
    EXPECT_TRUE(waitUntil([&] { return !form->isVisible(); }));
}

// A settings notice under a dialog waits too: the options are re-read once it has closed.
TEST_F(MultiWindowTest, SettingsNoticeWaitsForAnOpenDialog)
{
    writeSettings();
    auto form = start();
    ASSERT_EQ(form->Options->ButtonSize, 22);
    // Another window stored a new button size.
    {
        QFile file(ini());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("\r\n[Options]\r\nButtonSize=36\r\n");
    }
    int underDialog = 0;
    QDialog dialog(form.get());
    dialog.setModal(true);
    QTimer::singleShot(0, &dialog, [&] {
        form->handleBusMessage(WM_EDITORNOTIFY, std::int64_t(NotifySettingsChanged), bus.ownHandle() + 1);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        underDialog = form->Options->ButtonSize;
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(underDialog, 22);
    EXPECT_TRUE(waitUntil([&] { return form->Options->ButtonSize == 36; }));
}

// Editor windows are known by what they are on the bus, not by their captions.
TEST_F(MultiWindowTest, OtherWindowsAreKnownByTheirIdentity)
{
    writeSettings();
    RecordingBusWindow editor(QStringLiteral("Untitled"), QStringLiteral("TMainForm"));
    RecordingBusWindow lookalike(QStringLiteral("Velmo: a.txt"), QStringLiteral("TMainFormX"));
    RecordingBusWindow foreign(QStringLiteral("Velmo"), QStringLiteral("Other"));
    const WindowHandle editorHandle = network.addWindow(&editor);
    network.addWindow(&lookalike);
    network.addWindow(&foreign);
    auto form = start();
    EXPECT_EQ(form->CountOtherWindows(), 1);
    EXPECT_EQ(form->OtherWindows, std::vector<WindowHandle>{editorHandle});
    form->ClosingOnRequest = true;
}

// Close all: every other editor window is asked to close (posted, with the magic value),
// then this one closes as usual, saving its settings.
TEST_F(MultiWindowTest, CloseAllAsksTheOthersThenClosesThisOne)
{
    writeSettings();
    RecordingBusWindow other(QStringLiteral("Velmo: b.txt"), QStringLiteral("TMainForm"));
    const WindowHandle otherHandle = network.addWindow(&other);
    auto form = start();
    form->resize(500, 300);
    ASSERT_TRUE(form->CloseAllMenu->isEnabled());
    form->CloseAllMenu->trigger();
    EXPECT_FALSE(form->isVisible());
    ASSERT_FALSE(network.deliveries().empty());
    const MemoryBusNetwork::Delivery &request = network.deliveries()[0];
    EXPECT_EQ(request.to, otherHandle);
    EXPECT_EQ(request.message, WM_EDITORNOTIFY);
    EXPECT_EQ(request.wParam, std::int64_t(NotifyClose));
    EXPECT_EQ(request.lParam, EDITORNOTIFY_MAGIC);
    EXPECT_FALSE(request.sent);
    EXPECT_EQ(read("Window", "Width"), QString::number(form->frameGeometry().width()));
}

// The commands the multi-window part brings are there to use.
TEST_F(MultiWindowTest, CommandsAreEnabled)
{
    writeSettings();
    auto form = start();
    for (QAction *action : {form->FileNewWindowMenu, form->NewWindowButton, form->FileOpenNewItem,
                            form->OpenNewWinButton, form->PopFileOpenNewMenu->actions().value(0),
                            form->CloseAllMenu}) {
        ASSERT_TRUE(action);
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    }
    // Open in new windows: the chosen files all go to windows of their own.
    const QString a = put("a.txt"), b = put("b.txt");
    prompts.chooseFiles({a, b});
    form->OpenNewWinButton->trigger();
    ASSERT_FALSE(prompts.log().empty());
    EXPECT_EQ(prompts.log()[0].text, u8(multiwindowtexts::kOpenNewDialogTitle));
    EXPECT_TRUE(prompts.log()[0].dialog.allowMultiple);
    EXPECT_EQ(launchedFiles(network) + filesOfLines(form->PendingLaunches), (QStringList{a, b}));
    EXPECT_TRUE(form->Options->CurrentFile.isEmpty());
    form->ClosingOnRequest = true;
}

} // namespace
