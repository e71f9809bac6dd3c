// Page setup: the figures derived from margins and printer, and the fixed A4 page used
// when no printer can be asked.
#include "settingstest.h"

#include "doubles/fixedscreen.h"

#include "doubles/fakeprinters.h"
#include "settings/muldiv.h"
#include "settings/pagesetup.h"
#include "settings/profilefile.h"

namespace velmo {
namespace {

using test::TempIni;

// An A4 sheet at 600 dpi with a 100-dot unprintable border on every side.
PrinterGeometry a4at600()
{
    PrinterGeometry g;
    g.name = QStringLiteral("Office");
    g.resolutionX = g.resolutionY = 600;
    g.paperWidthDots = 4960;
    g.paperHeightDots = 7016;
    g.pageWidthDots = 4760;
    g.pageHeightDots = 6816;
    g.pageWidthMM = 201;
    g.pageHeightMM = 288;
    g.offsetX = g.offsetY = 100;
    return g;
}

TEST(PageSetup, MulDivRoundsHalvesAwayFromZero)
{
    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {20, 600, 24, 500}, {20, 360, 24, 300}, {5, 1, 2, 3}, {-5, 1, 2, -3}, {7, 1, 2, 4},
        {1, 1, 3, 0}, {2, 1, 3, 1}, {10, 96, 72, 13}, {-13, 72, 96, -10}, {1, 1, 0, -1},
        {2147483647, 2, 1, -1}, {-2147483647 - 1, 1, 1, -2147483647 - 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(PageSetup, WithoutAPrinterTheFixedA4PageApplies)
{
    TempIni f;
    f.write("[Printers]\nLeftMargin=30\nTopMargin=5\nRightMargin=30\nBottomMargin=40\n");
    FakePrinters none;
    FixedScreen screen;
    TPageSetup p(none, screen, f.path());
    p.Load();
    EXPECT_TRUE(p.PrinterUnavailable);
    // The user's margins survive, so that the next save does not replace them with 20 mm.
    EXPECT_EQ(p.Margins, (TMarginRect{30, 5, 30, 40}));
    EXPECT_EQ(p.DpiX, 360);
    EXPECT_EQ(p.PaperWidthMM, 210);
    EXPECT_EQ(p.PaperHeightMM, 297);
    EXPECT_EQ(p.PaperWidthDots, 2976);
    EXPECT_EQ(p.PageHeightDots, 3969);
    EXPECT_EQ(p.MinMargins, (TMarginRect{3, 3, 3, 14}));
    EXPECT_EQ(p.PrintRect, (TMarginRect{300, 300, 2676, 3909}));
    EXPECT_EQ(p.ScreenTextWidth, 792);
    EXPECT_EQ(p.ScreenTextHeight, 1203);
    EXPECT_EQ(p.PrinterName, TPageSetup::UnavailableName());
}

TEST(PageSetup, FiguresFollowThePrinterAndTheMargins)
{
    FakePrinters printer(a4at600());
    FixedScreen screen({0, 0, 1024, 738}, 19, 96);
    TPageSetup p(printer, screen);
    EXPECT_FALSE(p.PrinterUnavailable);
    EXPECT_EQ(p.PaperWidthMM, 210);
    EXPECT_EQ(p.PaperHeightMM, 297);
    EXPECT_EQ(p.PageWidthMM, 201);
    // 100 dots at 600 dpi are 4 mm at 24 mm to the inch on every side.
    EXPECT_EQ(p.MinMargins, (TMarginRect{4, 4, 4, 4}));
    EXPECT_EQ(p.PrintRect, (TMarginRect{500, 500, 4460, 6516})); // 20 mm = 500 dots
    EXPECT_EQ(p.ScreenTextWidth, 634);                            // 3960 dots at 96 ppi
    EXPECT_EQ(p.PrinterName, "Office");

    p.Margins = {10, 20, 30, 40};
    p.Recompute();
    EXPECT_EQ(p.PrintRect, (TMarginRect{250, 500, 4960 - 750, 7016 - 1000}));

    PrinterGeometry half = a4at600();
    half.scalePercent = 50;
    printer.setGeometry(half);
    p.Recompute();
    EXPECT_EQ(p.DpiX, 1200);
    EXPECT_EQ(p.DpiY, 1200);
    EXPECT_EQ(p.PrintRect.Left, 500); // 10 mm at 1200 dpi
}

TEST(PageSetup, APrinterThatFailsOnceStaysUnavailable)
{
    FakePrinters printer(a4at600());
    FixedScreen screen;
    TPageSetup p(printer, screen);
    p.Margins = {25, 25, 25, 25};
    printer.setGeometry(std::nullopt);
    p.Recompute();
    EXPECT_TRUE(p.PrinterUnavailable);
    EXPECT_EQ(p.Margins, (TMarginRect{25, 25, 25, 25}));
    printer.setGeometry(a4at600());
    p.Recompute();
    EXPECT_TRUE(p.PrinterUnavailable);
    EXPECT_EQ(p.ScreenTextWidth, 792);

    PrinterGeometry broken = a4at600();
    broken.scalePercent = 0; // would divide by zero
    FakePrinters odd(broken);
    EXPECT_TRUE(TPageSetup(odd, screen).PrinterUnavailable);

    // A sheet that rounds to 0 mm would divide by zero in the page preview.
    PrinterGeometry sliver = a4at600();
    sliver.paperWidthDots = sliver.pageWidthDots = 5;
    sliver.offsetX = 0;
    FakePrinters thin(sliver);
    TPageSetup q(thin, screen);
    EXPECT_TRUE(q.PrinterUnavailable);
    EXPECT_EQ(q.PaperWidthMM, 210);
}

TEST(PageSetup, MarginLimitsNeverLeaveAnEmptyTextArea)
{
    struct Case {
        const char *name;
        int dpi, paperW, paperH, border;
        TMarginRect max;
    } cases[] = {
        {"A4 at 600 dpi", 600, 4960, 7016, 100, {97, 138, 97, 138}},
        {"A4 at 1200 dpi, no border", 1200, 9921, 14031, 0, {97, 138, 97, 138}},
        {"A5 at 360 dpi", 360, 2098, 2976, 42, {68, 97, 68, 97}},
    };
    FixedScreen screen;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PrinterGeometry g;
        g.name = QStringLiteral("P");
        g.resolutionX = g.resolutionY = c.dpi;
        g.paperWidthDots = c.paperW;
        g.paperHeightDots = c.paperH;
        g.pageWidthDots = c.paperW - 2 * c.border;
        g.pageHeightDots = c.paperH - 2 * c.border;
        g.pageWidthMM = int(g.pageWidthDots * 25.4 / c.dpi);
        g.pageHeightMM = int(g.pageHeightDots * 25.4 / c.dpi);
        g.offsetX = g.offsetY = c.border;
        FakePrinters printer(g);
        TPageSetup p(printer, screen);
        ASSERT_FALSE(p.PrinterUnavailable);
        const TMarginRect max = p.MaxMargins();
        EXPECT_EQ(max, c.max);
        // The widest allowed margins still leave text area; the narrowest stay on the
        // printable area.
        p.Margins = max;
        p.Recompute();
        EXPECT_GT(p.PrintRect.Right - p.PrintRect.Left, 0);
        EXPECT_GT(p.PrintRect.Bottom - p.PrintRect.Top, 0);
        EXPECT_GT(p.ScreenTextWidth, 0);
        p.Margins = p.MinMargins;
        p.Recompute();
        EXPECT_GE(p.PrintRect.Left, p.OffsetX);
        EXPECT_GE(p.PrintRect.Top, p.OffsetY);
        EXPECT_LE(p.PrintRect.Right, p.OffsetX + p.PageWidthDots);
        EXPECT_LE(p.PrintRect.Bottom, p.OffsetY + p.PageHeightDots);
    }
}

TEST(PageSetup, MarginsAreStoredAsTheyAre)
{
    TempIni f;
    FakePrinters printer(a4at600());
    FixedScreen screen;
    TPageSetup p(printer, screen, f.path());
    p.Load();
    EXPECT_EQ(p.Margins, (TMarginRect{20, 20, 20, 20}));
    f.write("[Printers]\nLeftMargin=1\nTopMargin=200\nRightMargin=-3\n");
    p.Load();
    EXPECT_EQ(p.Margins, (TMarginRect{1, 200, -3, 20}));
    EXPECT_EQ(p.PrintRect.Left, 25);
    p.Margins = {11, 12, 13, 14};
    p.Save();
    EXPECT_EQ(f.read(), test::crlf("[Printers]\nLeftMargin=11\nTopMargin=12\nRightMargin=13\n"
                                   "BottomMargin=14\n"));
}

} // namespace
} // namespace velmo

namespace velmo {
namespace {

TEST(PageSetup, TheDesktopsOwnServicesGiveUsableFigures)
{
    // Whatever this machine has: either no printer, or a geometry the record can use.
    const SystemPrinters printers;
    if (const auto g = printers.currentGeometry()) {
        EXPECT_FALSE(g->name.isEmpty());
        EXPECT_GT(g->resolutionX, 0);
        EXPECT_GT(g->pageWidthDots, 0);
        EXPECT_LE(g->pageWidthDots + g->offsetX, g->paperWidthDots);
        EXPECT_LE(g->pageHeightDots + g->offsetY, g->paperHeightDots);
    }
    const DesktopScreen screen;
    const ScreenRect area = screen.workArea();
    EXPECT_GT(area.right, area.left);
    EXPECT_GT(area.bottom, area.top);
    EXPECT_GT(screen.cascadeStep(), 0);
    EXPECT_GT(screen.pixelsPerInch(), 0);
    const TPageSetup page(printers, screen);
    EXPECT_GT(page.ScreenTextWidth, 0);
    // The PDF printer is always there, so the record never falls back on this machine.
    EXPECT_FALSE(page.PrinterUnavailable);
    EXPECT_EQ(printers.printerNames().last(), pdfPrinterName());
}

TEST(PageSetup, WithoutPrintQueuesThePdfPrinterIsCurrent)
{
    SystemPrinters pdf(false);
    EXPECT_EQ(pdf.printerNames(), QStringList{pdfPrinterName()});
    EXPECT_EQ(pdf.currentPrinter(), 0);
    EXPECT_FALSE(pdf.selectPrinter(QStringLiteral("no such queue")));
    EXPECT_TRUE(pdf.selectPrinter(pdfPrinterName()));
    EXPECT_EQ(pdf.currentPrinter(), 0);
    const auto g = pdf.currentGeometry();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->name, pdfPrinterName());
    EXPECT_EQ(g->offsetX, 0);
    EXPECT_EQ(g->offsetY, 0);
    FixedScreen screen;
    const TPageSetup page(pdf, screen);
    EXPECT_FALSE(page.PrinterUnavailable);
    EXPECT_EQ(page.PaperWidthMM, 210);
    EXPECT_EQ(page.PaperHeightMM, 297);
    EXPECT_EQ(page.MinMargins, (TMarginRect{0, 0, 0, 0}));
    EXPECT_EQ(page.PrintRect.Left, MulDiv(20, page.DpiX, 24));
}

} // namespace
} // namespace velmo
