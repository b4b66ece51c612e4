#pragma once

#include "gui/CPos.h"
#include "gui/CRectangle.h"

#include <cstdint>

namespace tovrel {

// The screen's scale as a whole percentage (100 = one device pixel per view pixel), and the
// conversion between the views' coordinates and the device's. Views keep the coordinates they
// were laid out in at 100 %; only painting, the pointer, invalidation and window sizes meet
// device pixels, through these functions.
//
// A view coordinate x lies at device coordinate toDevice(x) = floor(x * percent / 100 + 1/2), so
// view pixel x covers device pixels toDevice(x) to toDevice(x + 1) - 1: each edge is rounded on
// its own, neighbouring areas tile the device without gaps or overlaps, and a line one view pixel
// wide is a whole number of device pixels. The editor's bitmaps are drawn for each scale with
// the same rounding.
class CScale {
public:
    static constexpr int32_t kSmallest = 100;
    static constexpr int32_t kLargest = 300;
    // The steps the platform offers for the screen, and the sizes the editor's menu lists.
    static constexpr int32_t kSteps[] = {100, 125, 150, 175, 200, 225, 250, 300};

    constexpr CScale() = default;
    constexpr explicit CScale(int32_t wholePercent) : percent(clampPercent(wholePercent)) {}

    // The scale of a screen of `dotsPerInch`, 96 being 100 %, rounded to the nearest step.
    static CScale fromDotsPerInch(int32_t dotsPerInch);

    constexpr int32_t getPercent() const { return percent; }
    constexpr bool isUnity() const { return percent == 100; }

    constexpr int32_t toDevice(int32_t x) const { return floorDivide(2 * x * percent + 100, 200); }
    constexpr CPos toDevice(CPos where) const { return CPos{toDevice(where.h), toDevice(where.v)}; }
    constexpr CRectangle toDevice(const CRectangle& area) const {
        return CRectangle{toDevice(area.left), toDevice(area.top), toDevice(area.right),
                          toDevice(area.bottom)};
    }

    // The view pixel that covers device pixel `d`: the largest x with toDevice(x) <= d.
    constexpr int32_t toView(int32_t d) const {
        return floorDivide(200 * d + 100 + 2 * percent - 1, 2 * percent) - 1;
    }
    constexpr CPos toView(CPos where) const { return CPos{toView(where.h), toView(where.v)}; }
    // The smallest view area whose device area covers `area`, as invalidated regions need.
    constexpr CRectangle viewAreaCovering(const CRectangle& area) const {
        return CRectangle{toView(area.left), toView(area.top), toView(area.right - 1) + 1,
                          toView(area.bottom - 1) + 1};
    }

    constexpr bool operator==(const CScale& other) const { return percent == other.percent; }
    constexpr bool operator!=(const CScale& other) const { return percent != other.percent; }

private:
    static constexpr int32_t clampPercent(int32_t value) {
        return value < kSmallest ? kSmallest : (value > kLargest ? kLargest : value);
    }
    static constexpr int32_t floorDivide(int32_t numerator, int32_t denominator) {
        const int32_t quotient = numerator / denominator;
        return (numerator % denominator != 0 && numerator < 0) ? quotient - 1 : quotient;
    }

    int32_t percent{100};
};

inline CScale CScale::fromDotsPerInch(int32_t dotsPerInch) {
    int32_t best = kSteps[0];
    for (const int32_t step : kSteps) {
        const int32_t distance = dotsPerInch * 100 - step * 96;
        const int32_t bestDistance = dotsPerInch * 100 - best * 96;
        if ((distance < 0 ? -distance : distance) < (bestDistance < 0 ? -bestDistance : bestDistance))
            best = step;
    }
    return CScale(best);
}

} // namespace tovrel
