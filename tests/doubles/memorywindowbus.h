// Windows of one process that see each other through an in-memory bus.
#pragma once

#include "platform/launchline.h"
#include "platform/windowbus.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace velmo {

// Test double: windows of one MemoryBusNetwork see each other; no sockets, no processes.
// Sends run the receiver's handler at once; posts wait in the receiver's queue until
// deliverPosted() (or the event loop, with autoDeliver). Every message and launch is logged.
class MemoryBusNetwork {
public:
    struct Delivery {
        WindowHandle from = 0;
        WindowHandle to = 0;
        std::uint32_t message = 0;
        std::int64_t wParam = 0;
        std::int64_t lParam = 0;
        bool sent = false; // false: posted
        bool operator==(const Delivery &) const = default;
    };
    struct Launch {
        QString program;
        QString parameters;
        QStringList arguments; // the parameters split as the new process sees them
        LaunchShow show = LaunchShow::Normal;
        WindowBus::LaunchEnded ended; // what the launcher wants to hear when it ends
    };

    MemoryBusNetwork();
    ~MemoryBusNetwork();

    // Adds a window that is not backed by a MemoryWindowBus (another editor, or any other
    // program's window); returns its handle.
    WindowHandle addWindow(BusWindow *window);
    // A window that no longer exists: sends and posts to it fail, enumeration skips it.
    void killWindow(WindowHandle handle);
    // A window that hangs: it is enumerated as not responding and sends to it fail.
    void hangWindow(WindowHandle handle, bool hung = true);

    // Delivers every queued post (also those queued while delivering); returns how many.
    int deliverPosted();
    void setAutoDeliver(bool on) { autoDeliver_ = on; }

    // A launch that fails makes launchEditor return false (still logged).
    void setLaunchResult(bool ok) { launchResult_ = ok; }
    // The process of launch i ends (as if it crashed or was closed): the launcher hears it.
    void endLaunch(std::size_t index);

    const std::vector<Delivery> &deliveries() const { return deliveries_; }
    const std::vector<Launch> &launches() const { return launches_; }
    void clearLog() { deliveries_.clear(); launches_.clear(); }

private:
    friend class MemoryWindowBus;
    struct Entry {
        BusWindow *window = nullptr;
        bool hung = false;
    };
    WindowHandle attach(BusWindow *window);
    void detach(WindowHandle handle);
    std::vector<WindowInfo> enumerate(std::size_t limit) const;
    std::optional<std::int64_t> send(WindowHandle from, WindowHandle to, std::uint32_t message,
                                     std::int64_t wParam, std::int64_t lParam);
    bool post(WindowHandle from, WindowHandle to, std::uint32_t message, std::int64_t wParam,
              std::int64_t lParam);
    bool bringToFront(WindowHandle handle);
    bool launch(const QString &program, const QString &parameters, LaunchShow show,
                WindowBus::LaunchEnded ended);
    bool alive(WindowHandle handle) const;

    std::map<WindowHandle, Entry> windows_; // ordered: enumeration order is handle order
    std::deque<Delivery> queue_;
    std::vector<Delivery> deliveries_;
    std::vector<Launch> launches_;
    WindowHandle nextHandle_ = 1001;
    bool autoDeliver_ = false;
    bool launchResult_ = true;
    std::shared_ptr<bool> lifetime_;
};

class MemoryWindowBus : public WindowBus {
public:
    explicit MemoryWindowBus(MemoryBusNetwork &network) : network_(network) {}
    ~MemoryWindowBus() override { closeEndpoint(); }

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
    bool launchEditor(const QString &program, const QString &parameters, LaunchShow show,
                      LaunchEnded ended = {}) override;
    // As if this window were inside a send of its own that has not returned yet.
    void setWaiting(bool waiting) { waiting_ = waiting; }
    bool isWaiting() const override { return waiting_; }

private:
    MemoryBusNetwork &network_;
    WindowHandle handle_ = 0;
    bool waiting_ = false;
};

} // namespace velmo
