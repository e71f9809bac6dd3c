// libFuzzer target: the window bus's request reader. The input is what a peer writes on a
// connection to a live window (many lines, a line too long, bytes that are no UTF-8); the
// peer then stops writing. The window answers every line with "OK ..." or "ERR ...", closes
// the connection, passes only the numbers written to its handler, and then still answers
// another peer.
#include "platform/localwindowbus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "%s %s\n", what, detail.left(200).constData());
    std::abort();
}

class Window : public velmo::BusWindow {
public:
    std::int64_t handleBusMessage(std::uint32_t, std::int64_t wParam, std::int64_t) override
    {
        ++handled;
        return wParam;
    }
    QString busCaption() const override { return QStringLiteral("Velmo - fuzz"); }
    QString busClassName() const override { return QStringLiteral("TMainForm"); }
    bool busBringToFront() override { return false; }
    int handled = 0;
};

struct Bus {
    Bus()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "bus_request_fuzz";
            static char *argv[] = {name, nullptr};
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        bus = std::make_unique<velmo::LocalWindowBus>(
            QStringLiteral("/fuzz/bus-%1/velmo.ini").arg(::getpid()));
        if (!bus->openEndpoint(&window))
            fail("no endpoint:", bus->lastError().toUtf8());
        path = QFile::encodeName(bus->folder() + QLatin1Char('/') + QString::number(bus->ownHandle()));
    }
    std::unique_ptr<QCoreApplication> app;
    Window window;
    std::unique_ptr<velmo::LocalWindowBus> bus;
    QByteArray path;
};

Bus &theBus()
{
    static Bus bus;
    return bus;
}

int connectTo(const QByteArray &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0)
        fail("cannot connect:", std::strerror(errno));
    return fd;
}

// Writes `bytes`, stops writing, and gathers the answers until the window closes the
// connection. The window runs in this thread, so its event loop is turned in between.
QByteArray converse(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = connectTo(path);
    qsizetype sent = 0;
    bool shut = false;
    QByteArray answers;
    // Generous: a loaded machine may starve the process for seconds; a hang still shows.
    const QDeadlineTimer deadline(60000);
    for (;;) {
        if (sent < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent),
                                     MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0)
                sent += n;
            else if (errno == EPIPE || errno == ECONNRESET)
                sent = bytes.size(); // the window hung up first (a bad line)
        }
        if (sent == bytes.size() && !shut) {
            ::shutdown(fd, SHUT_WR);
            shut = true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        char buf[4096];
        const ssize_t got = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (got > 0)
            answers.append(buf, got);
        else if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
            break;
        if (deadline.hasExpired())
            fail("the window neither answered nor closed the connection");
    }
    ::close(fd);
    return answers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Bus &bus = theBus();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray answers = converse(bus.path, input);
    for (const QByteArray &line : answers.split('\n')) {
        if (!line.isEmpty() && !line.startsWith("OK ") && !line.startsWith("ERR "))
            fail("an answer that is neither OK nor ERR:", line);
    }
    if (!answers.isEmpty() && !answers.endsWith('\n'))
        fail("half an answer:", answers);
    // Posted messages are delivered from the loop; then the window must still answer.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QByteArray info = converse(bus.path, "INFO\n");
    if (!info.startsWith("OK " + QByteArray::number(bus.bus->ownHandle()) + " TMainForm "))
        fail("the window stopped answering:", info);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
