// The screen as window placement sees it: the work area (the desktop less its panels), the
// cascade step between windows opened one after another, and the screen's resolution.
#pragma once

#include <QRect>

namespace velmo {

// A rectangle with an exclusive right and bottom edge, as the desktop reports work areas:
// a 1024 x 738 area at the origin is {0, 0, 1024, 738}.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const ScreenRect &) const = default;
};

class Screen {
public:
    virtual ~Screen() = default;
    // Asked afresh at every use: panels and screens may change while a window runs.
    virtual ScreenRect workArea() const = 0;
    // Height of a window caption plus its border: how far each new window is moved.
    virtual int cascadeStep() const = 0;
    // Logical pixels per inch, for sizes given in points or printer dots.
    virtual int pixelsPerInch() const = 0;
};

// The primary screen of the running desktop.
class DesktopScreen : public Screen {
public:
    ScreenRect workArea() const override;
    int cascadeStep() const override;
    int pixelsPerInch() const override;
};

// A screen with fixed figures, for tests.
class FixedScreen : public Screen {
public:
    FixedScreen(ScreenRect area = {0, 0, 1024, 738}, int step = 19, int ppi = 96)
        : area_(area), step_(step), ppi_(ppi) {}
    ScreenRect workArea() const override { return area_; }
    int cascadeStep() const override { return step_; }
    int pixelsPerInch() const override { return ppi_; }
    void setWorkArea(ScreenRect area) { area_ = area; }
    void setCascadeStep(int step) { step_ = step; }
    void setPixelsPerInch(int ppi) { ppi_ = ppi; }

private:
    ScreenRect area_;
    int step_;
    int ppi_;
};

} // namespace velmo
