#pragma once

#include <cstdint>

namespace tovrel {

// A colour of four bytes; alpha 255 is opaque. GDI sees only red, green and blue.
struct CRgba {
    uint8_t red{0};
    uint8_t green{0};
    uint8_t blue{0};
    uint8_t alpha{0};

    uint32_t gdiColour() const { return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16); }

    bool operator==(const CRgba& other) const {
        return red == other.red && green == other.green && blue == other.blue && alpha == other.alpha;
    }
    bool operator!=(const CRgba& other) const { return !(*this == other); }
};
static_assert(sizeof(CRgba) == 4 && alignof(CRgba) == 1, "a colour is four bytes, byte-aligned");

inline constexpr CRgba kRgbaWhite{255, 255, 255, 255};
inline constexpr CRgba kRgbaBlack{0, 0, 0, 255};
inline constexpr CRgba kRgbaRed{255, 0, 0, 255};
// The colour a pixmap leaves out when drawn transparently: white for GDI.
inline constexpr CRgba kRgbaKeyWhite{255, 255, 255, 0};

} // namespace tovrel
