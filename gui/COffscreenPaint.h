#pragma once

#include "gui/CPaintContext.h"

namespace tovrel {

// A back buffer: a paint context over a device of the platform holding the buffer's pixels.
// Views draw into it and `copyTo` puts the result on the window in one block copy. At a scale
// other than 100 % its device pixels line up with the window's when it knows the place in the
// window (view coordinates) that it stands for.
class COffscreenPaint : public CPaintContext {
public:
    COffscreenPaint(CFrameServices* frame, int32_t width, int32_t height, const CRgba& background,
                    CPos windowPlace = CPos{});
    ~COffscreenPaint() override;

    // One block copy of the buffer, from `sourceOffset`, into `destination` at `area` moved by the
    // destination's offset. The buffer's own offset is not applied.
    void copyTo(CPaintContext* destination, const CRectangle& area, const CPos& sourceOffset = CPos{});

    // Whether the buffer was made for this size, place and scale; at 100 % every place fits.
    bool fits(int32_t width, int32_t height, CPos windowPlace, const CScale& windowScale) const {
        return width == viewWidth && height == viewHeight && windowScale == scale &&
               (scale.isUnity() || windowPlace == bufferOrigin);
    }

private:
    int32_t viewWidth{0};
    int32_t viewHeight{0};
};

} // namespace tovrel
