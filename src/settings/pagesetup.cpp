#include "settings/pagesetup.h"

#include "settings/muldiv.h"
#include "settings/profilefile.h"

#include <algorithm>

namespace velmo {

QString TPageSetup::UnavailableName()
{
    return QStringLiteral("現在のプリンターは利用できません");
}

TPageSetup::TPageSetup(const Printers &printers, const Screen &screen, QString fileName,
                       ProfileStorage &storage)
    : FileName(std::move(fileName)), printers_(&printers), screen_(&screen), storage_(&storage)
{
    const auto trial = printers_->currentGeometry();
    if (!trial || trial->paperWidthDots <= 0)
        PrinterUnavailable = true;
    Recompute();
}

void TPageSetup::applyFallback()
{
    // An A4 sheet at 360 dpi with 20 mm margins, seen on a 120 ppi screen. The user's own
    // margins stay: they are what the next save writes back.
    DpiX = DpiY = 360;
    PaperWidthMM = 210;
    PaperHeightMM = 297;
    PaperWidthDots = 2976;
    PaperHeightDots = 4209;
    PageWidthMM = 204;
    PageHeightMM = 280;
    PageWidthDots = 2892;
    PageHeightDots = 3969;
    OffsetX = OffsetY = 42;
    MinMargins = {3, 3, 3, 14};
    PrintRect = {300, 300, 2676, 3909};
    ScreenTextWidth = 792;
    ScreenTextHeight = 1203;
    PrinterName = UnavailableName();
}

bool TPageSetup::computeFrom(const PrinterGeometry &g)
{
    // A driver answering nonsense counts as a failed query.
    if (g.resolutionX <= 0 || g.resolutionY <= 0 || g.scalePercent <= 0
        || g.paperWidthDots <= 0 || g.paperHeightDots <= 0)
        return false;
    DpiX = g.resolutionX * 100 / g.scalePercent;
    DpiY = g.resolutionY * 100 / g.scalePercent;
    if (DpiX <= 0 || DpiY <= 0)
        return false;
    // Tenths of a millimetre at 25.4 mm to the inch, in integer steps.
    const auto tenths = [&g](std::int64_t dots, std::int64_t resolution) {
        return int(std::int64_t(g.scalePercent) * dots * 254 / resolution / 100);
    };
    PaperWidthMM = MulDiv(tenths(g.paperWidthDots, g.resolutionX), 1, 10);
    PaperHeightMM = MulDiv(tenths(g.paperHeightDots, g.resolutionY), 1, 10);
    // A sheet that rounds to nothing would divide by zero in the page preview.
    if (PaperWidthMM <= 0 || PaperHeightMM <= 0)
        return false;
    PaperWidthDots = g.paperWidthDots;
    PaperHeightDots = g.paperHeightDots;
    PageWidthMM = MulDiv(g.pageWidthMM * 10, 1, 10);
    PageHeightMM = MulDiv(g.pageHeightMM * 10, 1, 10);
    PageWidthDots = g.pageWidthDots;
    PageHeightDots = g.pageHeightDots;
    OffsetX = g.offsetX;
    OffsetY = g.offsetY;
    // The unprintable border in the margins' own millimetres (24 to the inch), rounded up so
    // that a margin at its minimum stays on the printable area.
    const auto marginUnits = [](std::int64_t dots, std::int64_t dpi) {
        return dots <= 0 ? 0 : int((dots * 24 + dpi - 1) / dpi);
    };
    MinMargins.Left = marginUnits(OffsetX, DpiX);
    MinMargins.Top = marginUnits(OffsetY, DpiY);
    MinMargins.Right = marginUnits(std::int64_t(PaperWidthDots) - PageWidthDots - OffsetX, DpiX);
    MinMargins.Bottom = marginUnits(std::int64_t(PaperHeightDots) - PageHeightDots - OffsetY, DpiY);
    const int l = MulDiv(Margins.Left, DpiX, 24);
    const int t = MulDiv(Margins.Top, DpiY, 24);
    const int r = MulDiv(Margins.Right, DpiX, 24);
    const int b = MulDiv(Margins.Bottom, DpiY, 24);
    PrintRect = {l, t, PaperWidthDots - r, PaperHeightDots - b};
    const int ppi = screen_->pixelsPerInch();
    ScreenTextWidth = MulDiv(PaperWidthDots - l - r, ppi, DpiX);
    ScreenTextHeight = MulDiv(PaperHeightDots - t - b, ppi, DpiY);
    PrinterName = g.name;
    return true;
}

TMarginRect TPageSetup::MaxMargins() const
{
    // Half the sheet less 2, in the margins' units: two opposite margins at their limits
    // leave a text area at least 4 of those millimetres wide.
    const int width = MulDiv(PaperWidthDots, 24, DpiX);
    const int height = MulDiv(PaperHeightDots, 24, DpiY);
    const int across = std::max(width / 2 - 2, 0);
    const int down = std::max(height / 2 - 2, 0);
    return {across, down, across, down};
}

void TPageSetup::Recompute()
{
    if (!PrinterUnavailable) {
        const auto g = printers_->currentGeometry();
        if (g && computeFrom(*g))
            return;
        // Once a query has failed the printer stays out of use for this window.
        PrinterUnavailable = true;
    }
    applyFallback();
}

void TPageSetup::Load(const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    const TProfileFile ini(file, *storage_);
    Margins.Left = ini.ReadInteger(SectionName, QStringLiteral("LeftMargin"), 20);
    Margins.Top = ini.ReadInteger(SectionName, QStringLiteral("TopMargin"), 20);
    Margins.Right = ini.ReadInteger(SectionName, QStringLiteral("RightMargin"), 20);
    Margins.Bottom = ini.ReadInteger(SectionName, QStringLiteral("BottomMargin"), 20);
    Recompute();
}

void TPageSetup::Save(const QString &fileName) const
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    TProfileFile ini(file, *storage_);
    ini.WriteInteger(SectionName, QStringLiteral("LeftMargin"), Margins.Left);
    ini.WriteInteger(SectionName, QStringLiteral("TopMargin"), Margins.Top);
    ini.WriteInteger(SectionName, QStringLiteral("RightMargin"), Margins.Right);
    ini.WriteInteger(SectionName, QStringLiteral("BottomMargin"), Margins.Bottom);
}

} // namespace velmo
