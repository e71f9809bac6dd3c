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
// The real bus on local sockets is in localwindowbus.h (with its wire format); tests use the
// in-memory bus of their doubles.
#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

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
    // line is split (splitWindowsCommandLine, launchline.h). False when it could not be
    // started. `ended`, when given, is called from the event loop once that process has
    // ended (for whatever reason), so that a launcher waiting for it to report learns that
    // it never will.
    using LaunchEnded = std::function<void()>;
    virtual bool launchEditor(const QString &program, const QString &parameters, LaunchShow show,
                              LaunchEnded ended = {}) = 0;
};

// How the editor that started this process asked for its window to be shown (handed over
// beside the command line, as the system hands a new process its show command).
LaunchShow launchShowOfThisProcess();

} // namespace velmo
