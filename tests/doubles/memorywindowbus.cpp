#include "doubles/memorywindowbus.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

namespace velmo {

// ---- MemoryBusNetwork

MemoryBusNetwork::MemoryBusNetwork() : lifetime_(std::make_shared<bool>(true)) {}

MemoryBusNetwork::~MemoryBusNetwork() = default;

WindowHandle MemoryBusNetwork::attach(BusWindow *window)
{
    const WindowHandle h = nextHandle_++;
    windows_[h] = Entry{window, false};
    return h;
}

WindowHandle MemoryBusNetwork::addWindow(BusWindow *window)
{
    return attach(window);
}

void MemoryBusNetwork::detach(WindowHandle handle)
{
    windows_.erase(handle);
}

void MemoryBusNetwork::killWindow(WindowHandle handle)
{
    windows_.erase(handle);
}

void MemoryBusNetwork::hangWindow(WindowHandle handle, bool hung)
{
    auto it = windows_.find(handle);
    if (it != windows_.end())
        it->second.hung = hung;
}

bool MemoryBusNetwork::alive(WindowHandle handle) const
{
    return windows_.count(handle) != 0;
}

std::vector<WindowInfo> MemoryBusNetwork::enumerate(std::size_t limit) const
{
    std::vector<WindowInfo> out;
    for (const auto &[h, e] : windows_) {
        if (out.size() >= limit)
            break;
        if (e.hung)
            out.push_back(WindowInfo{h, QString(), QString(), false});
        else
            out.push_back(WindowInfo{h, e.window->busCaption(), e.window->busClassName(), true});
    }
    return out;
}

std::optional<std::int64_t> MemoryBusNetwork::send(WindowHandle from, WindowHandle to, std::uint32_t message,
                                                   std::int64_t wParam, std::int64_t lParam)
{
    auto it = windows_.find(to);
    if (it == windows_.end() || it->second.hung)
        return std::nullopt;
    deliveries_.push_back(Delivery{from, to, message, wParam, lParam, true});
    return it->second.window->handleBusMessage(message, wParam, lParam);
}

bool MemoryBusNetwork::post(WindowHandle from, WindowHandle to, std::uint32_t message, std::int64_t wParam,
                            std::int64_t lParam)
{
    if (!alive(to))
        return false;
    const Delivery d{from, to, message, wParam, lParam, false};
    deliveries_.push_back(d);
    queue_.push_back(d);
    if (autoDeliver_ && QCoreApplication::instance()) {
        std::weak_ptr<bool> alive = lifetime_;
        QTimer::singleShot(0, QCoreApplication::instance(), [this, alive] {
            if (alive.lock())
                deliverPosted();
        });
    }
    return true;
}

int MemoryBusNetwork::deliverPosted()
{
    int delivered = 0;
    std::deque<Delivery> waiting; // posts to a hung window stay queued for it
    while (!queue_.empty()) {
        const Delivery d = queue_.front();
        queue_.pop_front();
        auto it = windows_.find(d.to);
        if (it == windows_.end())
            continue;
        if (it->second.hung) {
            waiting.push_back(d);
            continue;
        }
        it->second.window->handleBusMessage(d.message, d.wParam, d.lParam);
        ++delivered;
    }
    queue_ = std::move(waiting);
    return delivered;
}

bool MemoryBusNetwork::bringToFront(WindowHandle handle)
{
    auto it = windows_.find(handle);
    if (it == windows_.end() || it->second.hung)
        return false;
    return it->second.window->busBringToFront();
}

bool MemoryBusNetwork::launch(const QString &program, const QString &parameters, LaunchShow show,
                              WindowBus::LaunchEnded ended)
{
    launches_.push_back(Launch{program, parameters, splitWindowsCommandLine(parameters), show,
                               launchResult_ ? std::move(ended) : WindowBus::LaunchEnded()});
    return launchResult_;
}

void MemoryBusNetwork::endLaunch(std::size_t index)
{
    if (index >= launches_.size() || !launches_[index].ended)
        return;
    // Heard once, as a process ends once.
    const WindowBus::LaunchEnded ended = std::exchange(launches_[index].ended, {});
    ended();
}

// ---- MemoryWindowBus

WindowHandle MemoryWindowBus::openEndpoint(BusWindow *window)
{
    if (handle_ == 0 && window)
        handle_ = network_.attach(window);
    return handle_;
}

void MemoryWindowBus::closeEndpoint()
{
    if (handle_ != 0)
        network_.detach(handle_);
    handle_ = 0;
}

std::vector<WindowInfo> MemoryWindowBus::enumerateWindows(std::size_t limit)
{
    return network_.enumerate(limit);
}

std::optional<std::int64_t> MemoryWindowBus::sendMessage(WindowHandle to, std::uint32_t message,
                                                         std::int64_t wParam, std::int64_t lParam)
{
    return network_.send(handle_, to, message, wParam, lParam);
}

bool MemoryWindowBus::postMessage(WindowHandle to, std::uint32_t message, std::int64_t wParam,
                                  std::int64_t lParam)
{
    return network_.post(handle_, to, message, wParam, lParam);
}

bool MemoryWindowBus::isWindow(WindowHandle handle)
{
    return network_.alive(handle);
}

bool MemoryWindowBus::setForegroundWindow(WindowHandle handle)
{
    return network_.bringToFront(handle);
}

bool MemoryWindowBus::launchEditor(const QString &program, const QString &parameters, LaunchShow show,
                                   LaunchEnded ended)
{
    return network_.launch(program, parameters, show, std::move(ended));
}

} // namespace velmo
