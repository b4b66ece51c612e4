#pragma once

#include "tools/x11host/X11EditorHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace tovrel {

// The crossfeed editor's layout at 100 %, for the tests that show it in an X11 host's window:
// three sliders, each track 160 x 16 pixels with a handle 12 pixels wide, one below the other
// every 66 pixels, and a value display under each.
struct Box {
    int left;
    int top;
    int right;
    int bottom;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};
constexpr int kRowStep = 66;
inline Box sliderBox(int index) {
    return Box{10, 30 + kRowStep * index, 170, 46 + kRowStep * index};
}
inline Box displayBox(int index) {
    return Box{10, 52 + kRowStep * index, 160, 66 + kRowStep * index};
}
// The handle's travel, and where a press holds it (just left of its middle).
constexpr float kTravel = 148.0f;
constexpr int kGrip = 15;
inline int gripX(float value) {
    return kGrip + static_cast<int>(std::lround(value * kTravel));
}

// The pixels of one area of the host's window, row by row (none when it cannot be read).
std::vector<uint32_t> windowArea(X11EditorHost& host, const Box& box);

// Whether the host's window shows the Windows editor's picture `path` (a PNG) drawn at `scale`
// (1 or 2): equal pixel for pixel outside the value displays, and inside them within one step
// per colour channel (GDI rounds its text blending down, Cairo to the nearest). The failure
// names the first pixel beyond that.
::testing::AssertionResult showsWindowsPicture(X11EditorHost& host, const std::string& path, int scale);

} // namespace tovrel
