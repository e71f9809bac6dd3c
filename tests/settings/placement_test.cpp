// Window placement: the cascade for the next window, centring dialogs, and [Window].
#include "settingstest.h"

#include "doubles/fixedscreen.h"

#include "settings/placement.h"
#include "settings/profilefile.h"

#include <QDialog>

#include <string>
#include <vector>

namespace velmo {
namespace {

using test::TempIni;

// A window that logs what the record does to it.
class LoggedWindow : public TPlacementWindow {
public:
    int WindowState() const override { return state; }
    void SetWindowState(int s) override
    {
        state = s;
        log.push_back("state " + std::to_string(s));
    }
    QRect Bounds() const override { return bounds; }
    void SetBounds(const QRect &b) override
    {
        bounds = b;
        log.push_back("bounds");
    }
    int state = 0;
    QRect bounds{10, 20, 300, 200};
    std::vector<std::string> log;
};

TEST(Placement, NextPlacementCascadesInsideTheWorkArea)
{
    struct Case {
        ScreenRect area;
        QRect window, next;
    } cases[] = {
        {{0, 0, 1024, 738}, {100, 100, 640, 400}, {119, 119, 640, 400}},
        {{0, 0, 1024, 738}, {400, 300, 640, 400}, {0, 0, 640, 400}},      // past the right
        {{0, 0, 1024, 738}, {365, 100, 640, 400}, {384, 119, 640, 400}},  // exactly at the edge
        {{0, 0, 1024, 738}, {100, 320, 640, 400}, {0, 0, 640, 400}},      // past the bottom
        {{100, 30, 1024, 738}, {500, 400, 640, 400}, {100, 30, 640, 400}}, // panel left and top
    };
    for (const Case &c : cases) {
        FixedScreen screen(c.area, 19);
        LoggedWindow w;
        const TWindowPlacement p(&w, {}, screen);
        EXPECT_EQ(p.NextPlacement(c.window), c.next);
    }
}

TEST(Placement, DialogsAreCentredOverTheWindowInsideTheWorkArea)
{
    struct Case {
        ScreenRect area;
        QRect owner;
        QSize dialog;
        QPoint at;
    } cases[] = {
        {{0, 0, 1024, 738}, {100, 100, 640, 400}, {300, 200}, {270, 200}},
        {{0, 0, 1024, 738}, {0, 0, 300, 200}, {522, 430}, {0, 0}},        // centred is negative
        {{100, 40, 1024, 738}, {0, 0, 300, 200}, {522, 430}, {100, 40}},
        {{0, 0, 1024, 738}, {100, 500, 640, 400}, {300, 200}, {270, 700}}, // bottom: owner's edge
        // Task bar on the left: the right edge is compared with the area's width (924).
        {{100, 0, 1024, 738}, {500, 100, 640, 400}, {300, 200}, {840, 200}},
        {{0, 0, 1024, 738}, {500, 100, 640, 400}, {300, 200}, {670, 200}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TWindowPlacement::CenterOver(c.owner, c.dialog, c.area), c.at);
}

TEST(Placement, LoadSetsTheStateFirstThenEachEdge)
{
    TempIni f;
    FixedScreen screen;
    LoggedWindow w;
    TWindowPlacement p(&w, f.path(), screen);
    p.Load();
    EXPECT_EQ(w.bounds, QRect(0, 0, 640, 400)); // no file
    EXPECT_EQ(w.state, 0);

    f.write("[Window]\nWindowState=2\nLeft=50\nTop=60\nWidth=700\nHeight=500\n");
    w.log.clear();
    p.Load();
    EXPECT_EQ(w.log, (std::vector<std::string>{"state 2", "bounds", "bounds", "bounds", "bounds"}));
    EXPECT_EQ(w.bounds, QRect(50, 60, 700, 500));
}

TEST(Placement, SaveAndSaveNextPlacement)
{
    TempIni f;
    FixedScreen screen({0, 0, 1024, 738}, 19);
    LoggedWindow w;
    w.bounds = {100, 100, 640, 400};
    w.state = 2;
    TWindowPlacement p(&w, f.path(), screen);
    EXPECT_EQ(QRect(p.NextLeft, p.NextTop, p.NextWidth, p.NextHeight), QRect(119, 119, 640, 400));
    p.Save();
    EXPECT_EQ(f.read(), test::crlf("[Window]\nWindowState=2\nLeft=100\nTop=100\nWidth=640\nHeight=400\n"));

    w.bounds = {400, 300, 640, 400}; // moved since the record was built
    p.SaveNextPlacement();
    EXPECT_EQ(f.read(), test::crlf("[Window]\nWindowState=2\nLeft=0\nTop=0\nWidth=640\nHeight=400\n"));
}

// On a real window: the file's rectangle is the outer one, frame included, also when it is
// set before the window is shown (and so before its frame is known); saving gives the same
// numbers back; a dialog lands centred over it.
TEST(Placement, WidgetWindowAndDialogCentring)
{
    TempIni f;
    const std::string placed = "[Window]\nWindowState=0\nLeft=120\nTop=80\nWidth=500\nHeight=300\n";
    f.write(placed);
    FixedScreen screen({0, 0, 1024, 738}, 19);
    for (bool shownFirst : {false, true}) {
        SCOPED_TRACE(shownFirst);
        QWidget window;
        if (shownFirst)
            window.show();
        WidgetPlacementWindow adapter(&window);
        TWindowPlacement p(&adapter, f.path(), screen);
        p.Load();
        window.show();
        EXPECT_EQ(window.frameGeometry(), QRect(120, 80, 500, 300));
        EXPECT_NE(window.frameGeometry(), window.geometry()); // the platform draws a frame
        p.Save();
        EXPECT_EQ(f.read(), test::crlf(placed));

        QDialog dialog(&window);
        dialog.resize(200, 100);
        p.CenterOverMainWindow(&dialog);
        dialog.show();
        EXPECT_EQ(dialog.frameGeometry().topLeft(), QPoint(270, 180));

        adapter.SetWindowState(2);
        EXPECT_TRUE(window.isMaximized());
        EXPECT_EQ(adapter.WindowState(), 2);
    }
}

} // namespace
} // namespace velmo
