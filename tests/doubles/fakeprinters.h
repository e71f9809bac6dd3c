// A printer that is only figures.
#pragma once

#include "platform/printers.h"

#include <optional>
#include <utility>

namespace velmo {

// A printer whose answers a test sets; without one set, every query fails.
class FakePrinters : public Printers {
public:
    FakePrinters() = default;
    explicit FakePrinters(PrinterGeometry geometry) : geometry_(std::move(geometry)) {}
    std::optional<PrinterGeometry> currentGeometry() const override
    {
        ++queries_;
        return geometry_;
    }
    void setGeometry(std::optional<PrinterGeometry> geometry) { geometry_ = std::move(geometry); }
    int queries() const { return queries_; }

private:
    std::optional<PrinterGeometry> geometry_;
    mutable int queries_ = 0;
};

} // namespace velmo
