#include "doubles/recordingbuswindow.h"

namespace velmo {

// ---- RecordingBusWindow

std::int64_t RecordingBusWindow::handleBusMessage(std::uint32_t message, std::int64_t wParam, std::int64_t lParam)
{
    const Received r{message, wParam, lParam};
    received_.push_back(r);
    if (reaction_)
        reaction_(r);
    return result_;
}

} // namespace velmo
