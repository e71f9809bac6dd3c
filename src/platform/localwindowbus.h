// The window bus on local sockets: one listening socket per window in a private folder.
//
// Wire format (LocalWindowBus)
// ----------------------------
// Folder: $XDG_RUNTIME_DIR/velmo-<uid>/<ns>/ when XDG_RUNTIME_DIR names a folder of this user,
// else /tmp/velmo-<uid>/<ns>/; both levels mode 0700 and owned by the user (the bus refuses a
// folder that is not). <ns> is the first 16 hex digits of the SHA-256 of the absolute
// settings-file path (UTF-8), so that two installations never see each other's windows.
// Each window listens on a stream socket (AF_UNIX) named by its handle in decimal, e.g.
// /run/user/1000/velmo-1000/3f2a9c0d11e4b7a8/1804289383. A window binds its socket as
// .opening-<pid>-<n> and links it to its handle's name once it listens, so a name that
// refuses connections is always a dead window's. Connections from a process of another
// user are closed unanswered (SO_PEERCRED).
//
// A connection carries requests, one per line (UTF-8, LF-terminated, at most 1024 bytes,
// fields separated by one blank, integers in signed decimal). Requests are handled in order:
//   INFO                      -> "OK <handle> <class name> <caption>"  (class: one word; caption: the rest of the line)
//   SEND <msg> <wParam> <lParam> -> "OK <result>" once the handler has returned
//   POST <msg> <wParam> <lParam> -> no reply; queued and handled from the event loop
//   FRONT                     -> "OK 1" or "OK 0" (brought to the front, or not)
// A malformed request gets "ERR <reason>" and the connection is closed. msg is 0..2^32-1,
// wParam and lParam are signed 64-bit. Examples (python3; socat works alike where installed):
//   list every window:
//     for f in <folder>/*; do python3 -c 'import socket,sys; s=socket.socket(socket.AF_UNIX);
//       s.connect(sys.argv[1]); s.sendall(b"INFO\n"); print(s.recv(1024).decode(), end="")' "$f"; done
//   ask one window to close (a close request, posted):
//     python3 -c 'import socket,sys; s=socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]);
//       s.sendall(b"POST 18933 1 17909\n")' <folder>/<handle>
// A socket file whose connect() is refused belongs to a window that died; enumeration
// removes it.
#pragma once

#include "platform/windowbus.h"

#include <QObject>
#include <QString>

#include <deque>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace velmo {

// The real bus on local sockets; see the wire format above.
class LocalWindowBus : public QObject, public WindowBus {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 5000;

    // `namespaceKey` is the settings-file path; windows with the same path see each other.
    explicit LocalWindowBus(const QString &namespaceKey, QObject *parent = nullptr);
    ~LocalWindowBus() override;

    // The bound on waiting for another window (send, enumeration answers, front).
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }
    int timeout() const { return timeoutMs_; }

    // The namespace's folder (created 0700 on first use); empty when it cannot be made safe.
    QString folder() const;
    // Why the last openEndpoint failed, for a message to the user.
    QString lastError() const { return lastError_; }

    WindowHandle openEndpoint(BusWindow *window) override;
    void closeEndpoint() override;
    WindowHandle ownHandle() const override { return handle_; }
    std::vector<WindowInfo> enumerateWindows(std::size_t limit = kEnumerationLimit) override;
    std::optional<std::int64_t> sendMessage(WindowHandle to, std::uint32_t message,
                                            std::int64_t wParam, std::int64_t lParam) override;
    bool postMessage(WindowHandle to, std::uint32_t message, std::int64_t wParam,
                     std::int64_t lParam) override;
    bool isWindow(WindowHandle handle) override;
    bool setForegroundWindow(WindowHandle handle) override;
    bool isWaiting() const override { return sendDepth_ > 0; }
    bool launchEditor(const QString &program, const QString &parameters, LaunchShow show,
                      LaunchEnded ended = {}) override;

    // The folder a namespace key maps to (not created).
    static QString folderFor(const QString &namespaceKey);
    // True when the peer of a connected AF_UNIX socket runs as this process's user.
    static bool peerIsSameUser(int socketDescriptor);

private:
    struct Connection;
    struct Posted {
        std::uint32_t message;
        std::int64_t wParam;
        std::int64_t lParam;
    };

    void acceptConnections();
    void readRequests(QLocalSocket *socket);
    void scheduleDelivery();
    void deliverPosted();
    std::optional<QByteArray> request(WindowHandle to, const QByteArray &line, bool wantReply);
    QString socketPath(WindowHandle handle) const;
    void watchProcess(qint64 pid, LaunchEnded ended);

    QString namespaceKey_;
    mutable QString folder_;
    QString lastError_;
    int timeoutMs_ = kDefaultTimeoutMs;
    WindowHandle handle_ = 0;
    BusWindow *window_ = nullptr;
    QLocalServer *server_ = nullptr;
    int sendDepth_ = 0;
    std::deque<Posted> posted_;
    bool deliveryScheduled_ = false;
};

} // namespace velmo
