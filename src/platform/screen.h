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

} // namespace velmo
