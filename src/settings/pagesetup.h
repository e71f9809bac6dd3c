// The page set up for printing: the user's margins (stored in [Printers]) and what follows
// from them and the current printer. Millimetres and printer dots convert at 24 mm to the
// inch. Without a usable printer the record holds a fixed A4 page at 360 dpi instead (the
// user's margins are kept), so that word wrap at the page width and the ruler keep working.
#pragma once

#include "platform/printers.h"
#include "platform/screen.h"
#include "settings/profilestorage.h"

#include <QString>

#include <cstdint>

namespace velmo {

struct TMarginRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TMarginRect &) const = default;
};

class TPageSetup {
public:
    // Creating the record asks the printer once; a failure puts it into the fallback state
    // for the window's lifetime.
    TPageSetup(const Printers &printers, const Screen &screen, QString fileName = {},
               ProfileStorage &storage = ProfileStorage::system());

    QString SectionName = QStringLiteral("Printers");
    QString FileName;
    bool PrinterUnavailable = false;
    std::int32_t DpiX = 0, DpiY = 0;
    std::int32_t PaperWidthDots = 0, PaperHeightDots = 0;
    std::int32_t PaperWidthMM = 0, PaperHeightMM = 0;
    std::int32_t PageWidthDots = 0, PageHeightDots = 0;
    std::int32_t PageWidthMM = 0, PageHeightMM = 0;
    std::int32_t ScreenTextWidth = 0, ScreenTextHeight = 0;
    std::int32_t OffsetX = 0, OffsetY = 0;
    TMarginRect PrintRect;
    TMarginRect Margins{20, 20, 20, 20};
    TMarginRect MinMargins;
    QString PrinterName;

    // Derives everything from the margins and the printer as it is now.
    void Recompute();
    // The largest margins the page-setup fields allow (left, top, right, bottom), in the
    // margins' millimetres: no pair of them leaves an empty text area. The smallest are
    // MinMargins.
    TMarginRect MaxMargins() const;
    // Reads the four margins (default 20 each, no range check), then Recompute.
    void Load(const QString &fileName = {});
    void Save(const QString &fileName = {}) const;

    // The name shown when no printer can be used.
    static QString UnavailableName();

private:
    void applyFallback();
    bool computeFrom(const PrinterGeometry &g);
    QString resolve(const QString &fileName) const { return fileName.isEmpty() ? FileName : fileName; }

    const Printers *printers_;
    const Screen *screen_;
    ProfileStorage *storage_;
};

} // namespace velmo
