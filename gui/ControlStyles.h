#pragma once

#include <cstdint>

namespace tovrel {

// Style bits shared by the slider and the parameter display. The slider reads the direction
// bits: its painting puts value 0 at the left (top) with kStyleLeft (kStyleTop), its mouse
// tracking puts value 0 at the right (bottom) with kStyleRight (kStyleBottom). The display reads
// the others.
enum : int32_t {
    kStyleHorizontal = 1,
    kStyleVertical = 2,
    kStyleShadowText = 4,
    kStyleLeft = 8,
    kStyleRight = 16,
    kStyleTop = 32,
    kStyleBottom = 64,
    kStyleInset = 0x80,
    kStyleRaised = 0x100,
    kStyleNoText = 0x800,
    kStyleNoDraw = 0x1000,
    kStyleNoFrame = 0x4000,
};

} // namespace tovrel
