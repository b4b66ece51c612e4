#include "gui/platform/x11/XResourceScale.h"

#include <gtest/gtest.h>

namespace tovrel {
namespace {

// The screen's scale as desktops publish it in the X server's resources, and everything else a
// resource string can hold around or instead of it.
TEST(XResourceScale, XftDpiGivesTheScreensScale) {
    const struct {
        const char* resources;
        int32_t dotsPerInch;
        int32_t percent;
    } cases[] = {
        {nullptr, 0, 100},
        {"", 0, 100},
        {"Xft.dpi:\t96\n", 96, 100},
        {"Xft.dpi:\t192\n", 192, 200},
        {"Xft.dpi: 144.0", 144, 150},
        {"Xft.dpi:\t119.5\n", 120, 125},
        {"Xft.dpi:\t168.49\n", 168, 175},
        {"  Xft.dpi  :  288  \n", 288, 300},
        {"Xft*dpi:\t216\n", 216, 225},
        {"Xft.antialias:\t1\nXft.dpi:\t240\nXft.hinting:\t1\n", 240, 250},
        {"Xcursor.size:\t24\nXft.hintstyle:\thintslight", 0, 100},
        {"Xft.dpi:\t96\nXft.dpi:\t192\n", 192, 200},
        {"Xft.dpi:\t192\nXft.dpi:\tlarge\n", 0, 100},
        {"! Xft.dpi:\t192\n", 0, 100},
        {"Xft.dpis:\t192\n", 0, 100},
        {"MyXft.dpi:\t192\n", 0, 100},
        {"Xft.dpi\t192\n", 0, 100},
        {"Xft.dpi:\n", 0, 100},
        {"Xft.dpi:\t0\n", 0, 100},
        {"Xft.dpi:\t-96\n", 0, 100},
        {"Xft.dpi:\t192dpi\n", 0, 100},
        {"Xft.dpi:\t99999999999999999999\n", 0, 100},
        {"Xft.dpi:\t2401\n", 0, 100},
        {"Xft.dpi:\t.5\n", 0, 100},
    };
    for (const auto& c : cases) {
        const char* shown = c.resources ? c.resources : "(null)";
        EXPECT_EQ(xftDotsPerInch(c.resources), c.dotsPerInch) << shown;
        EXPECT_EQ(screenScaleFromResources(c.resources).getPercent(), c.percent) << shown;
    }
}

} // namespace
} // namespace tovrel
