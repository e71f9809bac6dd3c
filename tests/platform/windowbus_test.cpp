// The window bus between real processes (tests/platform/helpers/buspeer.cpp), its in-memory
// double, and the splitting of launch lines.
#include "doubles/memorywindowbus.h"
#include "doubles/recordingbuswindow.h"
#include "platform/launchline.h"
#include "platform/localwindowbus.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <poll.h>
#include <set>
#include <thread>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmo;

namespace {

// Peer messages (see buspeer.cpp).
constexpr std::uint32_t kEcho = 1, kHang = 2, kExit = 3, kSendTo = 4, kGate = 5, kCount = 6, kPostTo = 7, kThrow = 8;

const QString kPeerProgram = QStringLiteral(VELMO_BUILD_DIR "/tests/velmo_buspeer");

// Runs the event loop until `done` holds or the bound passes; the test's own endpoint keeps
// answering meanwhile.
template <typename Pred>
bool waitFor(Pred done, int boundMs = 10000)
{
    QDeadlineTimer deadline(boundMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class Peer {
public:
    Peer(const QString &ns, const QString &caption, const QString &gates)
    {
        process_.setProgram(kPeerProgram);
        process_.setArguments({ns, caption, gates});
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            out_ += process_.readAllStandardOutput();
        });
        process_.start();
        if (waitLine("READY ")) {
            const qsizetype at = out_.indexOf("READY ");
            handle_ = out_.mid(at + 6, out_.indexOf('\n', at) - at - 6).toInt();
        }
    }
    ~Peer() { kill(); }

    WindowHandle handle() const { return handle_; }
    // True once the peer printed a line starting with `prefix`.
    bool hasLine(const QByteArray &prefix) const
    {
        for (const QByteArray &line : out_.split('\n')) {
            if (line.startsWith(prefix))
                return true;
        }
        return false;
    }
    bool waitLine(const QByteArray &prefix, int boundMs = 10000)
    {
        return waitFor([&] { return hasLine(prefix); }, boundMs);
    }
    void kill()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    QProcess &process() { return process_; }

private:
    QProcess process_;
    QByteArray out_;
    WindowHandle handle_ = 0;
};

class LocalBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(kPeerProgram).isExecutable()) << qPrintable(kPeerProgram);
        ASSERT_TRUE(dir_.isValid());
        ns_ = dir_.filePath(QStringLiteral("velmo.ini"));
        gates_ = dir_.filePath(QStringLiteral("gates"));
        QDir().mkpath(gates_);
        bus_ = std::make_unique<LocalWindowBus>(ns_);
        ASSERT_NE(bus_->openEndpoint(&self_), 0) << qPrintable(bus_->lastError());
    }
    void TearDown() override { QDir(LocalWindowBus::folderFor(ns_)).removeRecursively(); }

    std::unique_ptr<Peer> startPeer(const QString &caption, const QString &ns = QString())
    {
        auto peer = std::make_unique<Peer>(ns.isEmpty() ? ns_ : ns, caption, gates_);
        EXPECT_NE(peer->handle(), 0) << "peer did not start";
        return peer;
    }
    void openGate(int n)
    {
        QFile gate(gates_ + QStringLiteral("/gate-") + QString::number(n));
        ASSERT_TRUE(gate.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir_;
    QString ns_;
    QString gates_;
    RecordingBusWindow self_{QStringLiteral("Velmo: test"), QStringLiteral("TMainForm"), 42};
    std::unique_ptr<LocalWindowBus> bus_;
};

TEST_F(LocalBusTest, SendWaitsForTheHandlerAndReturnsItsResult)
{
    auto peer = startPeer(QStringLiteral("Velmo"));
    // The result can only come from the handler, which first spends 300 ms.
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kEcho, 300, 21), std::optional<std::int64_t>(42));
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kCount, 0, 0), std::optional<std::int64_t>(1));
    EXPECT_TRUE(bus_->isWindow(peer->handle()));
    EXPECT_TRUE(bus_->setForegroundWindow(peer->handle()));
    // Negative and wide arguments travel unchanged.
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kEcho, 0, -(std::int64_t(1) << 40)),
              std::optional<std::int64_t>(-(std::int64_t(1) << 41)));
}

TEST_F(LocalBusTest, PostReturnsBeforeTheHandlerRuns)
{
    auto peer = startPeer(QStringLiteral("Velmo"));
    // The peer's handler waits for a gate that is opened only after post has returned; a
    // post that waited for the handler would see the gate time out.
    ASSERT_TRUE(bus_->postMessage(peer->handle(), kGate, 0, 7));
    openGate(7);
    ASSERT_TRUE(peer->waitLine("GATE 7 "));
    EXPECT_TRUE(peer->hasLine("GATE 7 open"));
}

TEST_F(LocalBusTest, DeadReceiverFailsAtOnceAndDisappears)
{
    auto peer = startPeer(QStringLiteral("Velmo"));
    const WindowHandle h = peer->handle();
    const QString socketFile = LocalWindowBus::folderFor(ns_) + QLatin1Char('/') + QString::number(h);
    peer->kill();
    ASSERT_TRUE(QFileInfo::exists(socketFile)); // killed: it could not clean up

    EXPECT_FALSE(bus_->sendMessage(h, kEcho, 0, 1));
    EXPECT_FALSE(bus_->postMessage(h, kEcho, 0, 1));
    EXPECT_FALSE(bus_->isWindow(h));
    const auto windows = bus_->enumerateWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].handle, bus_->ownHandle());
    EXPECT_FALSE(QFileInfo::exists(socketFile));

    // A receiver that dies while handling the message fails the send as well.
    auto second = startPeer(QStringLiteral("Velmo"));
    EXPECT_FALSE(bus_->sendMessage(second->handle(), kExit, 0, 0));
}

TEST_F(LocalBusTest, StuckReceiverDoesNotHoldTheSenderBeyondTheBound)
{
    auto peer = startPeer(QStringLiteral("Velmo: stuck"));
    ASSERT_TRUE(bus_->postMessage(peer->handle(), kHang, 0, 0));
    ASSERT_TRUE(peer->waitLine("HANDLED 2"));

    // Each call gives up after the bound (how long that takes is the benchmark's business,
    // not a test's: a loaded machine stretches any figure).
    bus_->setTimeout(200);
    EXPECT_FALSE(bus_->sendMessage(peer->handle(), kEcho, 0, 1));
    EXPECT_FALSE(bus_->setForegroundWindow(peer->handle()));
    const auto windows = bus_->enumerateWindows();

    EXPECT_TRUE(bus_->isWindow(peer->handle())); // hung, not gone
    ASSERT_EQ(windows.size(), 2u);
    for (const WindowInfo &w : windows) {
        if (w.handle == peer->handle()) {
            EXPECT_FALSE(w.responding);
            EXPECT_TRUE(w.caption.isEmpty());
        }
    }
}

// A window that is just opening its endpoint is never taken for a dead one: another window
// that looks at the folder at that very moment (here: woken by the file's creation) and
// clears away the sockets that refuse connections must leave it in place.
TEST_F(LocalBusTest, WindowOpeningItsEndpointIsNotClearedAsDead)
{
    const QString folder = LocalWindowBus::folderFor(ns_);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO), 0);
    std::atomic<bool> stop{false};
    // The other window's side: every new name in the folder is asked at once, and cleared
    // when it refuses, as enumeration clears a dead window's socket.
    std::thread sweeper([&] {
        alignas(inotify_event) char buf[4096];
        while (!stop) {
            pollfd p{watch, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::read(watch, buf, sizeof buf);
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buf + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                if (event->len == 0 || event->name[0] < '1' || event->name[0] > '9')
                    continue;
                LocalWindowBus observer(ns_);
                observer.setTimeout(1);
                observer.isWindow(QByteArray(event->name).toInt()); // connects, clears nothing
                observer.enumerateWindows();
            }
        }
    });
    int lost = 0;
    for (int i = 0; i < 1000; ++i) {
        RecordingBusWindow window(QStringLiteral("Velmo"), QStringLiteral("TMainForm"));
        LocalWindowBus bus(ns_);
        const WindowHandle h = bus.openEndpoint(&window);
        ASSERT_NE(h, 0);
        QThread::usleep(200);
        lost += !QFileInfo::exists(folder + QLatin1Char('/') + QString::number(h));
    }
    stop = true;
    sweeper.join();
    ::close(watch);
    EXPECT_EQ(lost, 0) << "windows whose socket was cleared while they opened it";
}

TEST_F(LocalBusTest, EnumerationListsExactlyTheLiveWindowsOfItsNamespace)
{
    auto a1 = startPeer(QStringLiteral("Velmo: /home/u/a.txt"));
    auto a2 = startPeer(QStringLiteral("Velmo (Read Only) /home/u/日本語 ファイル.txt"));
    const QString otherNs = dir_.filePath(QStringLiteral("other/velmo.ini"));
    auto b1 = startPeer(QStringLiteral("Velmo: b"), otherNs);

    // Leftovers in the folder: a dead window's socket file and a file that is no handle.
    const QString folder = LocalWindowBus::folderFor(ns_);
    const QString stale = folder + QStringLiteral("/123");
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(stale);
        std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ::close(fd);
    }
    QFile junk(folder + QStringLiteral("/notes"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.close();

    std::map<WindowHandle, std::pair<QString, QString>> seen;
    for (const WindowInfo &w : bus_->enumerateWindows()) {
        EXPECT_TRUE(w.responding);
        seen[w.handle] = {w.caption, w.className};
    }
    const std::map<WindowHandle, std::pair<QString, QString>> expected{
        {bus_->ownHandle(), {QStringLiteral("Velmo: test"), QStringLiteral("TMainForm")}},
        {a1->handle(), {QStringLiteral("Velmo: /home/u/a.txt"), QStringLiteral("TMainForm")}},
        {a2->handle(), {QStringLiteral("Velmo (Read Only) /home/u/日本語 ファイル.txt"), QStringLiteral("TMainForm")}},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_EQ(bus_->enumerateWindows(2).size(), 2u);

    // The other namespace sees only its own.
    RecordingBusWindow other(QStringLiteral("Velmo"), QStringLiteral("TMainForm"));
    LocalWindowBus otherBus(otherNs);
    ASSERT_NE(otherBus.openEndpoint(&other), 0);
    std::set<WindowHandle> otherSeen;
    for (const WindowInfo &w : otherBus.enumerateWindows())
        otherSeen.insert(w.handle);
    EXPECT_EQ(otherSeen, (std::set<WindowHandle>{otherBus.ownHandle(), b1->handle()}));
    EXPECT_FALSE(bus_->isWindow(b1->handle()));
    QDir(LocalWindowBus::folderFor(otherNs)).removeRecursively();
}

TEST_F(LocalBusTest, TwoWindowsSendingToEachOtherBothComplete)
{
    auto a = startPeer(QStringLiteral("Velmo: a"));
    auto b = startPeer(QStringLiteral("Velmo: b"));
    // Both peers get to their send, then are released together: each send reaches a window
    // that is itself waiting on a send.
    ASSERT_TRUE(bus_->postMessage(a->handle(), kSendTo, b->handle(), 1));
    ASSERT_TRUE(bus_->postMessage(b->handle(), kSendTo, a->handle(), 1));
    ASSERT_TRUE(a->waitLine("ARMED"));
    ASSERT_TRUE(b->waitLine("ARMED"));
    openGate(1);
    ASSERT_TRUE(a->waitLine("SENT "));
    ASSERT_TRUE(b->waitLine("SENT "));
    EXPECT_TRUE(a->hasLine("SENT 42"));
    EXPECT_TRUE(b->hasLine("SENT 42"));
}

TEST_F(LocalBusTest, WaitingSenderServesSendsButHoldsPostsUntilItReturns)
{
    auto peer = startPeer(QStringLiteral("Velmo"));
    // The peer answers our send by sending back to us; we answer from inside our wait.
    bool answeredWhileWaiting = false;
    self_.setReaction([&](const RecordingBusWindow::Received &) { answeredWhileWaiting = bus_->isWaiting(); });
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kSendTo, bus_->ownHandle(), 0), std::optional<std::int64_t>(42));
    EXPECT_TRUE(answeredWhileWaiting);
    EXPECT_FALSE(bus_->isWaiting());
    self_.setReaction(nullptr);
    ASSERT_EQ(self_.received().size(), 1u);
    EXPECT_EQ(self_.received()[0], (RecordingBusWindow::Received{kEcho, 200, 21}));

    // A post that arrives while we wait is handled only after our send has returned.
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kPostTo, bus_->ownHandle(), 5), std::optional<std::int64_t>(1));
    EXPECT_EQ(self_.received().size(), 1u);
    ASSERT_TRUE(waitFor([&] { return self_.received().size() == 2; }));
    EXPECT_EQ(self_.received()[1], (RecordingBusWindow::Received{99, 5, 0}));
}

TEST_F(LocalBusTest, HandlerErrorIsShownByTheReceiverAndReleasesTheSender)
{
    auto peer = startPeer(QStringLiteral("Velmo"));
    // Answered with 0 at once (a stranded sender would get nothing after the bound).
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kThrow, 0, 0), std::optional<std::int64_t>(0));
    ASSERT_TRUE(peer->waitLine("ERROR "));
    EXPECT_TRUE(peer->hasLine("ERROR 'x' は整数ではありません"));
    // A posted message that throws does not hold up the posts behind it.
    ASSERT_TRUE(bus_->postMessage(peer->handle(), kThrow, 1, 0));
    ASSERT_TRUE(bus_->postMessage(peer->handle(), kEcho, 0, 5));
    EXPECT_TRUE(peer->waitLine("HANDLED 1 0 5"));
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kEcho, 0, 4), std::optional<std::int64_t>(8));
}

TEST_F(LocalBusTest, OwnWindowSendsDirectlyAndPostsThroughTheLoop)
{
    EXPECT_EQ(bus_->sendMessage(bus_->ownHandle(), 18933, 4, 77), std::optional<std::int64_t>(42));
    ASSERT_EQ(self_.received().size(), 1u);
    ASSERT_TRUE(bus_->postMessage(bus_->ownHandle(), 18933, 5, 17909));
    EXPECT_EQ(self_.received().size(), 1u);
    ASSERT_TRUE(waitFor([&] { return self_.received().size() == 2; }));
    EXPECT_EQ(self_.received()[1], (RecordingBusWindow::Received{18933, 5, 17909}));
    EXPECT_FALSE(bus_->isWindow(0));
    EXPECT_FALSE(bus_->sendMessage(-5, 1, 0, 0));
}

// Raw request lines, as a script would write them.
QByteArray rawExchange(const QString &path, const QByteArray &request)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return "connect failed";
    }
    // A request the server refuses may meet a closed socket: no SIGPIPE for the test.
    (void)!::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
    QByteArray reply;
    pollfd pfd{fd, POLLIN, 0};
    while (::poll(&pfd, 1, 5000) > 0) {
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        reply.append(buf, n);
        if (reply.endsWith('\n'))
            break;
    }
    ::close(fd);
    return reply;
}

TEST_F(LocalBusTest, WireFormatAnswersScriptsAndRejectsBadRequests)
{
    auto peer = startPeer(QStringLiteral("Velmo: wire"));
    const QString path = LocalWindowBus::folderFor(ns_) + QLatin1Char('/') + QString::number(peer->handle());
    const QByteArray h = QByteArray::number(peer->handle());
    struct Case {
        QByteArray request;
        QByteArray reply;
    } cases[] = {
        {"INFO\n", "OK " + h + " TMainForm Velmo: wire\n"},
        {"SEND 1 0 -4\n", "OK -8\n"},
        {"FRONT\n", "OK 1\n"},
        {"HELLO\n", "ERR bad request\n"},
        {"SEND 1 0\n", "ERR bad request\n"},
        {"SEND 1 0 x\n", "ERR bad request\n"},
        {"SEND 4294967296 0 1\n", "ERR bad request\n"},
        {"SEND 1 0 99999999999999999999\n", "ERR bad request\n"},
        {QByteArray(5000, 'A'), "ERR request too long\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rawExchange(path, c.request), c.reply) << c.request.left(40).constData();
    // Still serving after all that.
    EXPECT_EQ(bus_->sendMessage(peer->handle(), kEcho, 0, 3), std::optional<std::int64_t>(6));
}

TEST_F(LocalBusTest, FolderIsPrivate)
{
    const QString folder = bus_->folder();
    ASSERT_FALSE(folder.isEmpty());
    const auto privateOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                             | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    EXPECT_EQ(QFileInfo(folder).permissions(), privateOnly);
    EXPECT_EQ(QFileInfo(QFileInfo(folder).path()).permissions(), privateOnly);
    // Another key, another folder; the same file through another spelling of its path or through
    // a linked folder, the same.
    EXPECT_NE(LocalWindowBus::folderFor(ns_), LocalWindowBus::folderFor(ns_ + QStringLiteral("x")));
    EXPECT_EQ(LocalWindowBus::folderFor(ns_),
              LocalWindowBus::folderFor(dir_.path() + QStringLiteral("/./gates/../velmo.ini")));
    ASSERT_TRUE(QFile::link(dir_.path(), dir_.filePath(QStringLiteral("linked"))));
    EXPECT_EQ(LocalWindowBus::folderFor(ns_), LocalWindowBus::folderFor(dir_.filePath(QStringLiteral("linked/velmo.ini"))));
}

TEST_F(LocalBusTest, LaunchedEditorStartsWithTheSplitParameters)
{
    // The peer reads namespace, caption and gate folder from its arguments; "detached" tells
    // it that it has no parent to follow. Its caption shows how it was asked to appear.
    struct Case {
        QString captionArgument;
        LaunchShow show;
        QString caption;
    } cases[] = {
        {QStringLiteral("\"Velmo: launched \\\"quoted\\\"\""), LaunchShow::Normal,
         QStringLiteral("Velmo: launched \"quoted\"")},
        {QStringLiteral("Velmo:quiet"), LaunchShow::NoActivate, QStringLiteral("Velmo:quiet (no activate)")},
    };
    for (const Case &c : cases) {
        const QString line = QStringLiteral("\"%1\" %2 \"%3\" detached").arg(ns_, c.captionArgument, gates_);
        bool ended = false;
        ASSERT_TRUE(bus_->launchEditor(kPeerProgram, line, c.show, [&ended] { ended = true; }));
        WindowHandle launched = 0;
        ASSERT_TRUE(waitFor([&] {
            for (const WindowInfo &w : bus_->enumerateWindows()) {
                if (w.caption == c.caption)
                    launched = w.handle;
            }
            return launched != 0;
        }, 30000)) << qPrintable(c.caption); // a process start on a loaded machine
        EXPECT_FALSE(ended);
        // Ends it; a detached process is not ours to wait for, but the launcher hears of it.
        EXPECT_FALSE(bus_->sendMessage(launched, kExit, 0, 0));
        EXPECT_TRUE(waitFor([&] { return ended; })) << qPrintable(c.caption);
    }
    EXPECT_FALSE(bus_->launchEditor(QString(), QString(), LaunchShow::Normal));
    EXPECT_FALSE(bus_->launchEditor(dir_.filePath(QStringLiteral("no-such-program")), QString(), LaunchShow::Normal));
}

TEST_F(LocalBusTest, AnotherUsersRequestIsClosedUnanswered)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can connect as another user";
    // A bus of its own under a runtime folder of this test, whose private folders are then
    // opened just enough for another user to reach the socket: the check of the peer's user
    // is all that stands in the way.
    const QByteArray runtime = QFile::encodeName(dir_.filePath(QStringLiteral("run")));
    ASSERT_EQ(::mkdir(runtime.constData(), 0711), 0);
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0711);
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime);
    RecordingBusWindow window(QStringLiteral("Velmo"), QStringLiteral("TMainForm"));
    LocalWindowBus bus(ns_);
    const WindowHandle handle = bus.openEndpoint(&window);
    if (savedRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
    ASSERT_NE(handle, 0);
    const QByteArray folder = QFile::encodeName(bus.folder());
    ASSERT_TRUE(folder.startsWith(runtime));
    const QByteArray socketFile = folder + '/' + QByteArray::number(handle);
    ::chmod(QFileInfo(bus.folder()).path().toLocal8Bit().constData(), 0711);
    ::chmod(folder.constData(), 0711);
    ::chmod(socketFile.constData(), 0666);

    const pid_t child = ::fork();
    if (child == 0) {
        if (::setuid(65534) != 0)
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, socketFile.constData(), size_t(socketFile.size()));
        if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0)
            ::_exit(4);
        // The server may already have closed the connection: a refused write must not
        // raise SIGPIPE, and a failed write, a reset or an end of stream all mean "closed".
        (void)!::send(fd, "SEND 1 2 3\n", 11, MSG_NOSIGNAL);
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 10000) <= 0)
            ::_exit(5); // neither answered nor closed
        char c;
        ::_exit(::read(fd, &c, 1) > 0 ? 6 : 0); // closed (or reset) without a word
    }
    int status = -1;
    ASSERT_TRUE(waitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 20000));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(window.received().empty());
}

TEST(PeerCredentials, AnotherUsersConnectionIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("s")));
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(server, 4), 0);

    auto connectAs = [&](bool otherUser) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (otherUser && ::setuid(65534) != 0)
                ::_exit(3);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ::_exit(::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 ? 0 : 4);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };

    ASSERT_TRUE(connectAs(false));
    int fd = ::accept(server, nullptr, nullptr);
    EXPECT_TRUE(LocalWindowBus::peerIsSameUser(fd));
    ::close(fd);

    if (::geteuid() != 0) {
        ::close(server);
        GTEST_SKIP() << "only root can connect as another user";
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(path.constData(), 0777);
    ASSERT_TRUE(connectAs(true));
    fd = ::accept(server, nullptr, nullptr);
    EXPECT_FALSE(LocalWindowBus::peerIsSameUser(fd));
    ::close(fd);
    ::close(server);
}

TEST(MemoryWindowBus, DeliversLogsAndFailsLikeTheRealBus)
{
    MemoryBusNetwork net;
    RecordingBusWindow a(QStringLiteral("Velmo: a"), QStringLiteral("TMainForm"), 7);
    RecordingBusWindow other(QStringLiteral("Other"), QStringLiteral("TOther"));
    MemoryWindowBus bus(net);
    RecordingBusWindow self(QStringLiteral("Velmo"), QStringLiteral("TMainForm"));
    const WindowHandle me = bus.openEndpoint(&self);
    const WindowHandle ha = net.addWindow(&a);
    const WindowHandle ho = net.addWindow(&other);

    EXPECT_EQ(bus.sendMessage(ha, 18933, 3, me), std::optional<std::int64_t>(7));
    ASSERT_TRUE(bus.postMessage(ha, 18933, 5, 17909));
    EXPECT_EQ(a.received().size(), 1u); // posted: not yet
    EXPECT_EQ(net.deliverPosted(), 1);
    EXPECT_EQ(a.received().back(), (RecordingBusWindow::Received{18933, 5, 17909}));
    EXPECT_EQ(net.deliveries(), (std::vector<MemoryBusNetwork::Delivery>{
                                    {me, ha, 18933, 3, me, true}, {me, ha, 18933, 5, 17909, false}}));

    net.hangWindow(ho);
    const auto windows = bus.enumerateWindows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_FALSE(windows[2].responding);
    EXPECT_FALSE(bus.sendMessage(ho, 1, 0, 0));

    net.killWindow(ha);
    EXPECT_FALSE(bus.isWindow(ha));
    EXPECT_FALSE(bus.postMessage(ha, 1, 0, 0));
    EXPECT_EQ(bus.enumerateWindows().size(), 2u);

    ASSERT_TRUE(bus.launchEditor(QStringLiteral("/opt/velmo/velmo"), QStringLiteral("/Owner=5 \"/tmp/a b.txt\" /r"),
                                 LaunchShow::NoActivate));
    ASSERT_EQ(net.launches().size(), 1u);
    EXPECT_EQ(net.launches()[0].arguments, (QStringList{"/Owner=5", "/tmp/a b.txt", "/r"}));
    EXPECT_EQ(net.launches()[0].show, LaunchShow::NoActivate);
    bus.closeEndpoint();
    EXPECT_FALSE(bus.isWindow(me));
}

} // namespace
