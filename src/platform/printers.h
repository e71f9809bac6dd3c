// The current printer's page geometry, in the figures a page layout is computed from.
// A query either answers for the current printer, paper and orientation or fails as a
// whole (no printer installed, or it cannot be opened).
#pragma once

#include <QString>

#include <optional>

namespace velmo {

struct PrinterGeometry {
    QString name;                 // the current printer's name
    int resolutionX = 0;          // dots per inch
    int resolutionY = 0;
    int scalePercent = 100;       // the driver's scaling, 100 when it has none
    int paperWidthDots = 0;       // the whole sheet
    int paperHeightDots = 0;
    int pageWidthDots = 0;        // the printable area
    int pageHeightDots = 0;
    int pageWidthMM = 0;          // the printable area in whole millimetres
    int pageHeightMM = 0;
    int offsetX = 0;              // printable area's distance from the sheet's left and top edges
    int offsetY = 0;
    bool operator==(const PrinterGeometry &) const = default;
};

class Printers {
public:
    virtual ~Printers() = default;
    // std::nullopt when there is no usable current printer.
    virtual std::optional<PrinterGeometry> currentGeometry() const = 0;
};

// The desktop's default print queue (CUPS through Qt's print support).
class SystemPrinters : public Printers {
public:
    std::optional<PrinterGeometry> currentGeometry() const override;
};

} // namespace velmo
