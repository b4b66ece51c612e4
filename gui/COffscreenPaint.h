#pragma once

#include "gui/CPaintContext.h"

namespace tovrel {

// A back buffer: a paint context over a memory device holding a bitmap of the buffer's size.
// Views draw into it and `copyTo` puts the result on the window in one block copy.
class COffscreenPaint : public CPaintContext {
public:
    COffscreenPaint(CFrameServices* frame, int32_t width, int32_t height, const CRgba& background);
    ~COffscreenPaint() override;

    // One block copy of the buffer, from `sourceOffset`, into `destination` at `area` moved by the
    // destination's offset. The buffer's own offset is not applied.
    void copyTo(CPaintContext* destination, const CRectangle& area, const CPos& sourceOffset = CPos{});

    HBITMAP getBitmap() const { return bitmap; }

private:
    HBITMAP bitmap{nullptr};      // owned, selected into the device for the buffer's life
    HGDIOBJ savedBitmap{nullptr}; // what the memory device held before
};

} // namespace tovrel
