// A stand-in for another window on the bus.
#pragma once

#include "platform/windowbus.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace velmo {

// A BusWindow with a fixed caption and class that records what it receives; stands in for
// other windows in tests. `result` is what it answers to sent messages.
class RecordingBusWindow : public BusWindow {
public:
    struct Received {
        std::uint32_t message;
        std::int64_t wParam;
        std::int64_t lParam;
        bool operator==(const Received &) const = default;
    };
    RecordingBusWindow(QString caption, QString className, std::int64_t result = 0)
        : caption_(std::move(caption)), className_(std::move(className)), result_(result) {}

    std::int64_t handleBusMessage(std::uint32_t message, std::int64_t wParam,
                                  std::int64_t lParam) override;
    QString busCaption() const override { return caption_; }
    QString busClassName() const override { return className_; }
    bool busBringToFront() override { ++frontRequests_; return true; }

    void setCaption(QString caption) { caption_ = std::move(caption); }
    // Runs inside handleBusMessage, e.g. to send a message back.
    void setReaction(std::function<void(const Received &)> reaction) { reaction_ = std::move(reaction); }
    const std::vector<Received> &received() const { return received_; }
    void clearReceived() { received_.clear(); }
    int frontRequests() const { return frontRequests_; }

private:
    QString caption_;
    QString className_;
    std::int64_t result_;
    std::function<void(const Received &)> reaction_;
    std::vector<Received> received_;
    int frontRequests_ = 0;
};

} // namespace velmo
