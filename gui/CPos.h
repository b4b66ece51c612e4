#pragma once

#include <cstdint>

namespace tovrel {

// A point in pixels: h grows rightwards, v downwards.
struct CPos {
    int32_t h{0};
    int32_t v{0};

    bool operator==(const CPos& other) const { return h == other.h && v == other.v; }
    bool operator!=(const CPos& other) const { return !(*this == other); }
};

} // namespace tovrel
