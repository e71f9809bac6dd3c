// The window bus among hostile peers: one that sends half a request and hangs, one that dies
// in the middle of a request, one that sends garbage, one that sends a 100 MB line, and
// fake windows that answer garbage, a 100 MB answer, or nothing. Two real windows (each a
// process of its own) go on answering through all of it, and asking the fakes costs at most
// the bus's bound.
#include "doubles/recordingbuswindow.h"
#include "platform/localwindowbus.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace velmo;

namespace {

constexpr std::uint32_t kEcho = 1; // the peer answers lParam * 2 (tests/platform/helpers)
const QString kPeerProgram = QStringLiteral(VELMO_BUILD_DIR "/tests/velmo_buspeer");

// A real window in a process of its own.
class Peer {
public:
    Peer(const QString &ns, const QString &gates)
    {
        process_.start(kPeerProgram, {ns, QStringLiteral("Velmo - peer"), gates});
        const QDeadlineTimer deadline(20000);
        while (!out_.contains('\n') && process_.waitForReadyRead(int(deadline.remainingTime())))
            out_ += process_.readAllStandardOutput();
        if (out_.startsWith("READY "))
            handle_ = out_.mid(6, out_.indexOf('\n') - 6).toInt();
    }
    ~Peer()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    WindowHandle handle() const { return handle_; }

private:
    QProcess process_;
    QByteArray out_;
    WindowHandle handle_ = 0;
};

int connectTo(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Writes as much of `bytes` as the receiver takes within 30 s; returns the bytes it took.
// A window that has hung up on a bad line makes the write fail at once.
qint64 pushAll(int fd, const char *bytes, qint64 size)
{
    qint64 sent = 0;
    const QDeadlineTimer deadline(30000);
    while (sent < size && !deadline.hasExpired()) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::send(fd, bytes + sent, size_t(std::min<qint64>(size - sent, 1 << 16)),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            break;
        sent += n;
    }
    return sent;
}

// A fake window: a socket in the bus's folder, served by a thread of its own, that answers
// every request the way `answer` says (and nothing when it says nothing).
class FakeWindow {
public:
    FakeWindow(const QString &folder, WindowHandle handle, std::function<void(int)> serve)
        : handle_(handle), path_(folder + QLatin1Char('/') + QString::number(handle))
    {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path_);
        std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
        ::bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(listener_, 16);
        thread_ = std::thread([this, serve] {
            for (;;) {
                pollfd p{listener_, POLLIN, 0};
                if (stop_ || ::poll(&p, 1, 50) < 0)
                    return;
                if (!(p.revents & POLLIN))
                    continue;
                const int fd = ::accept(listener_, nullptr, nullptr);
                if (fd < 0)
                    continue;
                serve(fd);
                ::close(fd);
            }
        });
    }
    ~FakeWindow()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
        ::unlink(QFile::encodeName(path_).constData());
    }
    WindowHandle handle() const { return handle_; }

private:
    WindowHandle handle_;
    QString path_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Reads one request line (or gives up after a second).
void readRequest(int fd)
{
    char c;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 1000) > 0 && ::recv(fd, &c, 1, 0) == 1 && c != '\n') {
    }
}

} // namespace

TEST(HostileBus, RealWindowsKeepAnsweringWhateverOtherPeersDo)
{
    ASSERT_TRUE(QFile::exists(kPeerProgram)) << qPrintable(kPeerProgram);
    QTemporaryDir dir;
    const QString ns = dir.filePath(QStringLiteral("velmo.ini"));
    QDir().mkpath(dir.filePath(QStringLiteral("gates")));
    LocalWindowBus bus(ns);
    bus.setTimeout(1500);
    RecordingBusWindow self(QStringLiteral("Velmo - test"), QStringLiteral("TMainForm"), 1);
    ASSERT_NE(bus.openEndpoint(&self), 0);
    const QString folder = bus.folder();

    Peer first(ns, dir.filePath(QStringLiteral("gates")));
    Peer second(ns, dir.filePath(QStringLiteral("gates")));
    ASSERT_NE(first.handle(), 0);
    ASSERT_NE(second.handle(), 0);
    const QString firstPath = folder + QLatin1Char('/') + QString::number(first.handle());
    const QString secondPath = folder + QLatin1Char('/') + QString::number(second.handle());

    auto bothAnswer = [&](const char *after) {
        SCOPED_TRACE(after);
        EXPECT_EQ(bus.sendMessage(first.handle(), kEcho, 0, 21), 42);
        EXPECT_EQ(bus.sendMessage(second.handle(), kEcho, 0, 5), 10);
        int live = 0;
        for (const WindowInfo &w : bus.enumerateWindows())
            live += (w.handle == first.handle() || w.handle == second.handle()) && w.responding;
        EXPECT_EQ(live, 2);
    };
    bothAnswer("nothing yet");

    // Half a request, then silence with the connection held open.
    const int hanging = connectTo(firstPath);
    ASSERT_GE(hanging, 0);
    ASSERT_EQ(::send(hanging, "SEND 1 0", 8, MSG_NOSIGNAL), 8);
    bothAnswer("a peer hangs mid-request");

    // Dies in the middle of a request.
    const int dying = connectTo(secondPath);
    ASSERT_EQ(::send(dying, "POST 1 0 ", 9, MSG_NOSIGNAL), 9);
    ::close(dying);
    bothAnswer("a peer died mid-request");

    // Garbage, with line ends in it.
    QByteArray garbage(64 << 10, '\0');
    for (char &c : garbage)
        c = char(QRandomGenerator::global()->bounded(256));
    const int noisy = connectTo(firstPath);
    pushAll(noisy, garbage.constData(), garbage.size());
    ::close(noisy);
    bothAnswer("a peer sent garbage");

    // A line of 100 MB: the window hangs up long before the end.
    const qint64 hundredMb = 100LL << 20;
    const QByteArray block(1 << 20, 'A');
    const int flooding = connectTo(secondPath);
    qint64 taken = 0;
    for (qint64 at = 0; at < hundredMb; at += block.size()) {
        const qint64 n = pushAll(flooding, block.constData(), block.size());
        taken += n;
        if (n < block.size())
            break;
    }
    ::close(flooding);
    EXPECT_LT(taken, hundredMb) << "the window read a 100 MB line to its end";
    std::printf("the window hung up after %lld bytes of a 100 MB line\n", static_cast<long long>(taken));
    bothAnswer("a peer sent a 100 MB line");
    ::close(hanging);

    // Fake windows: garbage for an answer, a 100 MB answer, no answer, gone mid-answer.
    {
        FakeWindow garbler(folder, 2000000001, [](int fd) {
            readRequest(fd);
            ::send(fd, "\xff\xfeOK\x00 not a number\n", 20, MSG_NOSIGNAL);
        });
        FakeWindow flood(folder, 2000000002, [block](int fd) {
            readRequest(fd);
            for (int i = 0; i < 100 && ::send(fd, block.constData(), size_t(block.size()), MSG_NOSIGNAL) > 0; ++i) {
            }
        });
        FakeWindow mute(folder, 2000000003, [](int fd) {
            readRequest(fd);
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 4000); // until the asker gives up
        });
        FakeWindow quitter(folder, 2000000004, [](int fd) {
            readRequest(fd);
            ::send(fd, "OK 4", 4, MSG_NOSIGNAL);
        });
        for (const WindowHandle fake : {garbler.handle(), flood.handle(), mute.handle(), quitter.handle()}) {
            SCOPED_TRACE(fake);
            const QDeadlineTimer bound(10000);
            EXPECT_FALSE(bus.sendMessage(fake, kEcho, 0, 1).has_value());
            EXPECT_FALSE(bound.hasExpired());
        }
        const std::set<WindowHandle> fake{garbler.handle(), flood.handle(), mute.handle(), quitter.handle()};
        int fakes = 0;
        for (const WindowInfo &w : bus.enumerateWindows())
            fakes += fake.count(w.handle) && w.responding;
        EXPECT_EQ(fakes, 0);
        bothAnswer("fake windows answered badly");
    }
}
