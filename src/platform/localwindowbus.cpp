#include "platform/localwindowbus.h"

#include "platform/launchline.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmo {

namespace {

constexpr qsizetype kMaxLine = 1024;

// A folder of ours that nobody else can enter: created 0700 when missing, refused when it
// is a link, not a folder, or owned by someone else.
bool ensurePrivateFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st{};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0)
        return false;
    return true;
}

bool fillAddress(sockaddr_un &addr, const QByteArray &path)
{
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    return true;
}

enum class ConnectResult { Connected, Refused, Missing, Failed };

// Connects to a window's socket without blocking. Refused means the file is there but no
// process listens on it any more: the window died without removing it.
ConnectResult connectTo(const QString &path, int *fdOut)
{
    *fdOut = -1;
    sockaddr_un addr;
    if (!fillAddress(addr, QFile::encodeName(path)))
        return ConnectResult::Failed;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return ConnectResult::Failed;
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        if (err == ECONNREFUSED)
            return ConnectResult::Refused;
        if (err == ENOENT)
            return ConnectResult::Missing;
        return ConnectResult::Failed;
    }
    if (!LocalWindowBus::peerIsSameUser(fd)) {
        ::close(fd);
        return ConnectResult::Failed;
    }
    *fdOut = fd;
    return ConnectResult::Connected;
}

bool sendAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + done, size_t(data.size() - done),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // a request is far smaller than a socket buffer: no room means trouble
        done += n;
    }
    return true;
}

// A handle as it appears in a file name: canonical positive decimal, no sign, no zeros first.
std::optional<WindowHandle> parseHandle(const QString &text)
{
    if (text.isEmpty() || text.size() > 10 || text.front() == QLatin1Char('0'))
        return std::nullopt;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v <= 0 || v > INT32_MAX)
        return std::nullopt;
    return WindowHandle(v);
}

std::optional<std::int64_t> parseInt(const QByteArray &field)
{
    if (field.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qlonglong v = field.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return std::int64_t(v);
}

struct Request {
    enum Kind { Info, Send, Post, Front } kind;
    std::uint32_t message = 0;
    std::int64_t wParam = 0;
    std::int64_t lParam = 0;
};

std::optional<Request> parseRequest(const QByteArray &line)
{
    const QList<QByteArray> f = line.split(' ');
    if (f.size() == 1 && f[0] == "INFO")
        return Request{Request::Info};
    if (f.size() == 1 && f[0] == "FRONT")
        return Request{Request::Front};
    if (f.size() == 4 && (f[0] == "SEND" || f[0] == "POST")) {
        const auto msg = parseInt(f[1]);
        const auto w = parseInt(f[2]);
        const auto l = parseInt(f[3]);
        if (!msg || !w || !l || *msg < 0 || *msg > 0xFFFFFFFFLL)
            return std::nullopt;
        return Request{f[0] == "SEND" ? Request::Send : Request::Post, std::uint32_t(*msg), *w, *l};
    }
    return std::nullopt;
}

QByteArray oneLine(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return t.toUtf8();
}

// A question to one window, waiting for its one-line answer.
struct Pending {
    WindowHandle handle = 0;
    int fd = -1;
    QByteArray reply;
    bool finished = false;
    bool ok = false;
};

// Reads what has arrived; finished once a whole line is in, or the peer hung up.
void readReply(Pending &p)
{
    char buf[512];
    for (;;) {
        const ssize_t n = ::recv(p.fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            p.reply.append(buf, n);
            const qsizetype nl = p.reply.indexOf('\n');
            if (nl >= 0) {
                p.reply.truncate(nl);
                p.finished = true;
                p.ok = true;
                return;
            }
            if (p.reply.size() > kMaxLine) {
                p.finished = true;
                return;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        p.finished = true; // closed or failed before answering
        return;
    }
}

// A socket a window bound before taking its handle's name, left behind when that process
// died in between: cleared once its process is gone.
void clearOpeningLeftover(const QString &folder, const QString &name)
{
    bool ok = false;
    const qint64 pid = name.section(QLatin1Char('-'), 1, 1).toLongLong(&ok);
    if (!ok || pid <= 0 || pid > INT32_MAX)
        return;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        ::unlink(QFile::encodeName(folder + QLatin1Char('/') + name).constData());
}

} // namespace


// ---- LocalWindowBus

LocalWindowBus::LocalWindowBus(const QString &namespaceKey, QObject *parent)
    : QObject(parent), namespaceKey_(namespaceKey)
{
}

LocalWindowBus::~LocalWindowBus()
{
    closeEndpoint();
}

QString LocalWindowBus::folderFor(const QString &namespaceKey)
{
    QString base = QStringLiteral("/tmp");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith('/')) {
        struct stat st{};
        if (::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
            base = QFile::decodeName(runtime);
    }
    // The settings file may not exist yet, its folder does: resolve links in the folder, so
    // that an installation started through a linked path is still the same namespace.
    const QFileInfo file(namespaceKey);
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    const QString key = folder.isEmpty() ? QDir::cleanPath(file.absoluteFilePath())
                                         : folder + QLatin1Char('/') + file.fileName();
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return base + QStringLiteral("/velmo-%1/").arg(::geteuid()) + QString::fromLatin1(hash);
}

QString LocalWindowBus::folder() const
{
    if (!folder_.isEmpty())
        return folder_;
    const QString wanted = folderFor(namespaceKey_);
    const QString parent = wanted.left(wanted.lastIndexOf(QLatin1Char('/')));
    if (ensurePrivateFolder(QFile::encodeName(parent)) && ensurePrivateFolder(QFile::encodeName(wanted)))
        folder_ = wanted;
    return folder_;
}

QString LocalWindowBus::socketPath(WindowHandle handle) const
{
    return folder() + QLatin1Char('/') + QString::number(handle);
}

bool LocalWindowBus::peerIsSameUser(int socketDescriptor)
{
    struct ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred)
        return false;
    return cred.uid == ::geteuid();
}

WindowHandle LocalWindowBus::openEndpoint(BusWindow *window)
{
    if (server_)
        return handle_;
    lastError_.clear();
    if (!window) {
        lastError_ = QStringLiteral("no window to attach");
        return 0;
    }
    if (folder().isEmpty()) {
        lastError_ = QStringLiteral("cannot use the private folder %1").arg(folderFor(namespaceKey_));
        return 0;
    }
    // The socket listens under a name of its own first and only then takes its handle's
    // name: a socket file under a handle that refuses connections is always a dead window's,
    // which others clear away, so a window between bind() and listen() must not be seen.
    const QString opening = folder() + QStringLiteral("/.opening-%1-%2")
                                           .arg(::getpid())
                                           .arg(QRandomGenerator::global()->generate());
    sockaddr_un openingAddr;
    if (!fillAddress(openingAddr, QFile::encodeName(opening))) {
        lastError_ = QStringLiteral("socket path too long: %1").arg(opening);
        return 0;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        lastError_ = QString::fromLocal8Bit(std::strerror(errno));
        return 0;
    }
    // Whatever goes wrong from here on leaves no socket and no file behind.
    auto fail = [&](const QString &why) {
        lastError_ = why;
        ::close(fd);
        ::unlink(openingAddr.sun_path);
        return WindowHandle(0);
    };
    auto systemError = [](int err) { return QString::fromLocal8Bit(std::strerror(err)); };
    if (::bind(fd, reinterpret_cast<sockaddr *>(&openingAddr), sizeof openingAddr) != 0)
        return fail(systemError(errno));
    ::chmod(openingAddr.sun_path, 0600);
    if (::listen(fd, SOMAXCONN) != 0)
        return fail(systemError(errno));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const WindowHandle h = QRandomGenerator::global()->bounded(1, INT32_MAX);
        const QString path = socketPath(h);
        sockaddr_un addr;
        if (!fillAddress(addr, QFile::encodeName(path)))
            return fail(QStringLiteral("socket path too long: %1").arg(path));
        // link() claims the name atomically: a handle taken by a live window, or by a dead
        // one whose file was left behind, is simply passed over.
        if (::link(openingAddr.sun_path, addr.sun_path) != 0) {
            if (errno == EEXIST)
                continue;
            return fail(systemError(errno));
        }
        ::unlink(openingAddr.sun_path);
        auto *server = new QLocalServer(this);
        if (!server->listen(qintptr(fd))) {
            lastError_ = server->errorString();
            delete server;
            ::close(fd);
            ::unlink(addr.sun_path);
            return 0;
        }
        server_ = server;
        handle_ = h;
        window_ = window;
        connect(server_, &QLocalServer::newConnection, this, &LocalWindowBus::acceptConnections);
        return h;
    }
    return fail(QStringLiteral("no free window handle"));
}

void LocalWindowBus::closeEndpoint()
{
    if (!server_)
        return;
    const QString path = socketPath(handle_);
    server_->close();
    server_->deleteLater(); // a request of one of its connections may be on the stack
    server_ = nullptr;
    ::unlink(QFile::encodeName(path).constData());
    handle_ = 0;
    window_ = nullptr;
    posted_.clear();
}

void LocalWindowBus::acceptConnections()
{
    while (server_ && server_->hasPendingConnections()) {
        QLocalSocket *socket = server_->nextPendingConnection();
        if (!peerIsSameUser(int(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            readRequests(socket);
    }
}

void LocalWindowBus::readRequests(QLocalSocket *rawSocket)
{
    QPointer<QLocalSocket> socket(rawSocket);
    while (socket && socket->isOpen()) {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kMaxLine) {
                socket->write("ERR request too long\n");
                socket->disconnectFromServer();
            }
            return;
        }
        QByteArray line = socket->readLine(kMaxLine + 2);
        if (line.endsWith('\n'))
            line.chop(1);
        const std::optional<Request> request = parseRequest(line);
        if (!request) {
            socket->write("ERR bad request\n");
            socket->disconnectFromServer();
            return;
        }
        if (!window_) {
            socket->write("ERR closed\n");
            socket->disconnectFromServer();
            return;
        }
        switch (request->kind) {
        case Request::Info:
            socket->write("OK " + QByteArray::number(handle_) + ' ' + oneLine(window_->busClassName()).replace(' ', '_')
                          + ' ' + oneLine(window_->busCaption()) + '\n');
            break;
        case Request::Front:
            socket->write(window_->busBringToFront() ? "OK 1\n" : "OK 0\n");
            break;
        case Request::Post:
            posted_.push_back(Posted{request->message, request->wParam, request->lParam});
            scheduleDelivery();
            break;
        case Request::Send: {
            // The handler may itself send and so serve other requests meanwhile; the socket
            // may be gone when it returns (the sender gave up).
            std::int64_t result = 0;
            try {
                result = window_->handleBusMessage(request->message, request->wParam, request->lParam);
            } catch (...) {
                // The error is the receiver's to show; the sender is released at once with 0,
                // as from a handler that failed.
                if (socket) {
                    socket->write("OK 0\n");
                    socket->flush();
                }
                throw;
            }
            if (socket)
                socket->write("OK " + QByteArray::number(qlonglong(result)) + '\n');
            break;
        }
        }
        if (socket)
            socket->flush();
    }
}

void LocalWindowBus::scheduleDelivery()
{
    if (!deliveryScheduled_ && !posted_.empty()) {
        deliveryScheduled_ = true;
        QTimer::singleShot(0, this, &LocalWindowBus::deliverPosted);
    }
}

void LocalWindowBus::deliverPosted()
{
    deliveryScheduled_ = false;
    // Posted messages wait while this window waits on a send of its own, as a thread
    // blocked in a send only takes sent messages; they are delivered once it returns.
    if (sendDepth_ > 0 || !window_ || posted_.empty())
        return;
    // One message per turn of the event loop; the next is scheduled first, so that a
    // handler that throws does not strand the rest.
    const Posted p = posted_.front();
    posted_.pop_front();
    scheduleDelivery();
    window_->handleBusMessage(p.message, p.wParam, p.lParam);
}

std::optional<QByteArray> LocalWindowBus::request(WindowHandle to, const QByteArray &line, bool wantReply)
{
    if (to <= 0 || folder().isEmpty())
        return std::nullopt;
    int fd = -1;
    if (connectTo(socketPath(to), &fd) != ConnectResult::Connected)
        return std::nullopt;
    if (!sendAll(fd, line + '\n')) {
        ::close(fd);
        return std::nullopt;
    }
    if (!wantReply) {
        ::close(fd);
        return QByteArray();
    }

    Pending p;
    p.handle = to;
    p.fd = fd;
    QEventLoop loop;
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        readReply(p);
        if (p.finished)
            loop.quit();
    });
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    readReply(p);
    if (!p.finished) {
        bound.start(timeoutMs_);
        // While waiting, keep serving this window's own endpoint (so two windows sending to
        // each other both get through), but take no user input.
        ++sendDepth_;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        --sendDepth_;
    }
    notifier.setEnabled(false);
    ::close(fd);
    if (sendDepth_ == 0)
        scheduleDelivery();
    if (!p.ok)
        return std::nullopt;
    return p.reply;
}

std::vector<WindowInfo> LocalWindowBus::enumerateWindows(std::size_t limit)
{
    std::vector<WindowInfo> result;
    if (limit == 0)
        return result;
    const QString dir = folder();
    if (dir.isEmpty())
        return result;

    std::vector<WindowHandle> handles;
    const QStringList names = QDir(dir).entryList(QDir::System | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (auto h = parseHandle(name))
            handles.push_back(*h);
        else if (name.startsWith(QLatin1String(".opening-")))
            clearOpeningLeftover(dir, name);
    }
    std::sort(handles.begin(), handles.end());

    // Ask every window at once, so one that hangs costs one bound, not one per window.
    std::vector<Pending> asked;
    for (WindowHandle h : handles) {
        if (h == handle_ && window_)
            continue;
        int fd = -1;
        const ConnectResult r = connectTo(socketPath(h), &fd);
        if (r == ConnectResult::Refused) {
            ::unlink(QFile::encodeName(socketPath(h)).constData()); // left by a window that died
            continue;
        }
        if (r != ConnectResult::Connected)
            continue;
        if (!sendAll(fd, "INFO\n")) {
            ::close(fd);
            continue;
        }
        Pending p;
        p.handle = h;
        p.fd = fd;
        readReply(p);
        asked.push_back(p);
    }

    auto unfinished = [&] {
        return std::any_of(asked.begin(), asked.end(), [](const Pending &p) { return !p.finished; });
    };
    if (unfinished()) {
        QEventLoop loop;
        std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
        for (std::size_t i = 0; i < asked.size(); ++i) {
            if (asked[i].finished)
                continue;
            auto n = std::make_unique<QSocketNotifier>(asked[i].fd, QSocketNotifier::Read);
            QSocketNotifier *raw = n.get();
            QObject::connect(raw, &QSocketNotifier::activated, &loop, [&, i, raw] {
                readReply(asked[i]);
                if (asked[i].finished)
                    raw->setEnabled(false);
                if (!unfinished())
                    loop.quit();
            });
            notifiers.push_back(std::move(n));
        }
        QTimer bound;
        bound.setSingleShot(true);
        QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
        bound.start(timeoutMs_);
        ++sendDepth_;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        --sendDepth_;
        for (auto &n : notifiers)
            n->setEnabled(false);
    }

    for (WindowHandle h : handles) {
        if (result.size() >= limit)
            break;
        if (h == handle_ && window_) {
            result.push_back(WindowInfo{h, window_->busCaption(), window_->busClassName(), true});
            continue;
        }
        auto it = std::find_if(asked.begin(), asked.end(), [h](const Pending &p) { return p.handle == h; });
        if (it == asked.end())
            continue;
        WindowInfo info;
        info.handle = h;
        info.responding = false;
        // "OK <handle> <class> <caption>"
        if (it->ok && it->reply.startsWith("OK ")) {
            const QByteArray rest = it->reply.mid(3);
            const qsizetype s1 = rest.indexOf(' ');
            const qsizetype s2 = s1 < 0 ? -1 : rest.indexOf(' ', s1 + 1);
            if (s1 > 0 && s2 > s1 && rest.left(s1) == QByteArray::number(h)) {
                info.className = QString::fromUtf8(rest.mid(s1 + 1, s2 - s1 - 1));
                info.caption = QString::fromUtf8(rest.mid(s2 + 1));
                info.responding = true;
            }
        }
        // A window that went away while we asked is not listed; one that hangs still is.
        if (!info.responding && it->finished)
            continue;
        result.push_back(info);
    }
    for (Pending &p : asked)
        ::close(p.fd);
    if (sendDepth_ == 0)
        scheduleDelivery();
    return result;
}

std::optional<std::int64_t> LocalWindowBus::sendMessage(WindowHandle to, std::uint32_t message,
                                                        std::int64_t wParam, std::int64_t lParam)
{
    if (to == handle_ && window_) {
        // To itself: delivered directly, as the system does for a window's own thread.
        return window_->handleBusMessage(message, wParam, lParam);
    }
    const auto reply = request(to,
                               "SEND " + QByteArray::number(qulonglong(message)) + ' '
                                   + QByteArray::number(qlonglong(wParam)) + ' '
                                   + QByteArray::number(qlonglong(lParam)),
                               true);
    if (!reply || !reply->startsWith("OK "))
        return std::nullopt;
    return parseInt(reply->mid(3));
}

bool LocalWindowBus::postMessage(WindowHandle to, std::uint32_t message, std::int64_t wParam,
                                 std::int64_t lParam)
{
    if (to == handle_ && window_) {
        posted_.push_back(Posted{message, wParam, lParam});
        scheduleDelivery();
        return true;
    }
    return request(to,
                   "POST " + QByteArray::number(qulonglong(message)) + ' '
                       + QByteArray::number(qlonglong(wParam)) + ' '
                       + QByteArray::number(qlonglong(lParam)),
                   false)
        .has_value();
}

bool LocalWindowBus::isWindow(WindowHandle handle)
{
    if (handle <= 0)
        return false;
    if (handle == handle_ && window_)
        return true;
    if (folder().isEmpty())
        return false;
    int fd = -1;
    if (connectTo(socketPath(handle), &fd) != ConnectResult::Connected)
        return false;
    ::close(fd);
    return true;
}

bool LocalWindowBus::setForegroundWindow(WindowHandle handle)
{
    if (handle == handle_ && window_)
        return window_->busBringToFront();
    const auto reply = request(handle, "FRONT", true);
    return reply && *reply == "OK 1";
}

namespace {
const char kLaunchShowVariable[] = "VELMO_LAUNCH_SHOW";
}

LaunchShow launchShowOfThisProcess()
{
    static const LaunchShow show = [] {
        const bool quiet = qgetenv(kLaunchShowVariable) == "noactivate";
        qunsetenv(kLaunchShowVariable); // meant for this process only
        return quiet ? LaunchShow::NoActivate : LaunchShow::Normal;
    }();
    return show;
}

bool LocalWindowBus::launchEditor(const QString &program, const QString &parameters, LaunchShow show,
                                  LaunchEnded ended)
{
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments(splitWindowsCommandLine(parameters));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (show == LaunchShow::NoActivate)
        environment.insert(QString::fromLatin1(kLaunchShowVariable), QStringLiteral("noactivate"));
    else
        environment.remove(QString::fromLatin1(kLaunchShowVariable));
    process.setProcessEnvironment(environment);
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return false;
    if (ended)
        watchProcess(pid, std::move(ended));
    return true;
}

void LocalWindowBus::watchProcess(qint64 pid, LaunchEnded ended)
{
    // A process descriptor turns readable when the process ends; the detached process is no
    // child of ours, so there is nothing to reap.
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0)
        return; // an old kernel: the launcher then learns only of windows that report
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [notifier, fd, ended = std::move(ended)] {
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(fd);
        ended();
    });
}

} // namespace velmo
