// A screen with fixed figures: work area, cascade step and pixels per inch of the test's choosing.
#pragma once

#include "platform/screen.h"

namespace velmo {

// Test double: a screen with fixed figures.
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
