// The window bus: how editor windows, each in a process of its own, find each other, exchange
// integer messages and start further editor processes.
//
// Every window opens one endpoint and is known by a handle, a positive 32-bit integer that is
// unique among the live windows of its namespace (written in decimal in the settings file and
// on launch lines). Enumeration lists the live windows with caption and class name; a sent
// message blocks until the receiver's handler has returned and yields its result, a posted one
// returns at once and is handled later from the receiver's event loop. A dead or stuck
// receiver never holds the sender beyond a bounded wait, and while a send waits the sender
// keeps answering the messages sent to it, so two windows sending to each other at the same
// moment both complete.
//
// Wire format (LocalWindowBus)
// ----------------------------
// Folder: $XDG_RUNTIME_DIR/velmo-<uid>/<ns>/ when XDG_RUNTIME_DIR names a folder of this user,
// else /tmp/velmo-<uid>/<ns>/; both levels mode 0700 and owned by the user (the bus refuses a
// folder that is not). <ns> is the first 16 hex digits of the SHA-256 of the absolute
// settings-file path (UTF-8), so that two installations never see each other's windows.
// Each window listens on a stream socket (AF_UNIX) named by its handle in decimal, e.g.
// /run/user/1000/velmo-1000/3f2a9c0d11e4b7a8/1804289383. Connections from a process of
// another user are closed unanswered (SO_PEERCRED).
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

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <utility>
#include <memory>
#include <optional>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace velmo {

using WindowHandle = std::int32_t;

struct WindowInfo {
    WindowHandle handle = 0;
    QString caption;
    QString className;
    // False for a live window that did not answer within the bound (caption and class
    // unknown, so it never matches a caption test).
    bool responding = true;
};

// What a window offers to the bus. The bus calls these on the window's own thread, from its
// event loop (or from inside a send of its own that is waiting).
class BusWindow {
public:
    virtual ~BusWindow() = default;
    virtual std::int64_t handleBusMessage(std::uint32_t message, std::int64_t wParam,
                                          std::int64_t lParam) = 0;
    virtual QString busCaption() const = 0;
    virtual QString busClassName() const = 0;
    virtual bool busBringToFront() = 0;
};

// How a started editor window is to appear: activated, or shown without taking the focus.
enum class LaunchShow { Normal, NoActivate };

class WindowBus {
public:
    static constexpr std::size_t kEnumerationLimit = 1024;

    virtual ~WindowBus() = default;

    // Opens this window's endpoint; returns its handle, or 0 when no endpoint could be opened.
    virtual WindowHandle openEndpoint(BusWindow *window) = 0;
    virtual void closeEndpoint() = 0;
    virtual WindowHandle ownHandle() const = 0;

    // The live windows of this namespace, this window included, at most `limit`.
    virtual std::vector<WindowInfo> enumerateWindows(std::size_t limit = kEnumerationLimit) = 0;
    // Waits until the receiver has handled the message; nothing when it is gone, stuck past
    // the bound, or refused the message. A receiver whose handler throws shows the error
    // itself and answers 0.
    virtual std::optional<std::int64_t> sendMessage(WindowHandle to, std::uint32_t message,
                                                    std::int64_t wParam, std::int64_t lParam) = 0;
    // Queues the message with the receiver and returns; false when it could not be delivered.
    virtual bool postMessage(WindowHandle to, std::uint32_t message, std::int64_t wParam,
                             std::int64_t lParam) = 0;
    virtual bool isWindow(WindowHandle handle) = 0;
    virtual bool setForegroundWindow(WindowHandle handle) = 0;

    // True while this window waits inside a send (or an enumeration) and serves incoming
    // sends meanwhile. Idle-time work should wait for the outer loop: a thread blocked in a
    // send runs no idle handler.
    virtual bool isWaiting() const { return false; }

    // Starts a new editor process: `program` with `parameters` split as a Windows command
    // line is split (splitWindowsCommandLine). False when it could not be started.
    virtual bool launchEditor(const QString &program, const QString &parameters, LaunchShow show) = 0;
};

// How the editor that started this process asked for its window to be shown (handed over
// beside the command line, as the system hands a new process its show command).
LaunchShow launchShowOfThisProcess();

// Splits a command line into arguments by the rules of the Windows shell's argument parser:
// blanks and tabs separate arguments outside double quotes; 2n backslashes before a quote
// give n backslashes and the quote opens or closes quoting; 2n+1 backslashes before a quote
// give n backslashes and a literal quote; backslashes elsewhere are literal; a run of quotes
// yields a literal quote for every third one.
QStringList splitWindowsCommandLine(const QString &line);

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
    bool launchEditor(const QString &program, const QString &parameters, LaunchShow show) override;

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
