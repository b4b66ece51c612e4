#pragma once

#include "gui/CPos.h"

#include <cstdint>

namespace tovrel {

// A rectangle in pixels. For drawing and copying, right and bottom lie one pixel outside the
// covered area; the overlap and hit tests count them as inside.
struct CRectangle {
    int32_t left{0};
    int32_t top{0};
    int32_t right{0};
    int32_t bottom{0};

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }

    CRectangle& offset(const CPos& by) {
        left += by.h;
        right += by.h;
        top += by.v;
        bottom += by.v;
        return *this;
    }
    CRectangle& offset(int32_t h, int32_t v) { return offset(CPos{h, v}); }

    // Rectangles that only share an edge overlap.
    bool overlaps(const CRectangle& area) const {
        return !(area.right < left || area.left > right || area.bottom < top || area.top > bottom);
    }
    // Points on all four edges are inside.
    bool contains(const CPos& where) const {
        return where.h >= left && where.h <= right && where.v >= top && where.v <= bottom;
    }
    // The common part of both rectangles; never inverted, possibly empty.
    CRectangle boundedBy(const CRectangle& other) const {
        CRectangle result{left > other.left ? left : other.left, top > other.top ? top : other.top,
                          right < other.right ? right : other.right,
                          bottom < other.bottom ? bottom : other.bottom};
        if (result.right < result.left)
            result.right = result.left;
        if (result.bottom < result.top)
            result.bottom = result.top;
        return result;
    }

    bool operator==(const CRectangle& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const CRectangle& other) const { return !(*this == other); }
};

} // namespace tovrel
