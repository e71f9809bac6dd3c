#include "platform/printers.h"

#include <QMargins>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace velmo {

std::optional<PrinterGeometry> SystemPrinters::currentGeometry() const
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() || info.printerName().isEmpty())
        return std::nullopt;
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid())
        return std::nullopt;

    const int dpi = printer.resolution();
    if (dpi <= 0)
        return std::nullopt;
    const QPageLayout layout = printer.pageLayout();
    const QRect paper = layout.fullRectPixels(dpi);
    if (paper.width() <= 0 || paper.height() <= 0)
        return std::nullopt;
    // The printable area is the sheet less the margins the printer cannot reach.
    QPageLayout unprintable = layout;
    unprintable.setMode(QPageLayout::FullPageMode);
    unprintable.setMargins(layout.minimumMargins());
    const QMargins border = unprintable.marginsPixels(dpi);

    PrinterGeometry g;
    g.name = info.printerName();
    g.resolutionX = dpi;
    g.resolutionY = dpi;
    g.scalePercent = 100;
    g.paperWidthDots = paper.width();
    g.paperHeightDots = paper.height();
    g.offsetX = border.left();
    g.offsetY = border.top();
    g.pageWidthDots = paper.width() - border.left() - border.right();
    g.pageHeightDots = paper.height() - border.top() - border.bottom();
    g.pageWidthMM = int(g.pageWidthDots * 25.4 / dpi);
    g.pageHeightMM = int(g.pageHeightDots * 25.4 / dpi);
    if (g.pageWidthDots <= 0 || g.pageHeightDots <= 0)
        return std::nullopt;
    return g;
}

} // namespace velmo
