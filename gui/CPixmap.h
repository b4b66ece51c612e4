#pragma once

#include "gui/CRectangle.h"
#include "gui/CRefCounted.h"
#include "gui/CRgba.h"
#include "gui/CScale.h"
#include "gui/platform/PlatformBitmap.h"

#include <cstdint>
#include <memory>

namespace tovrel {

class CPaintContext;

// A bitmap from the plug-in's own resources, shared by reference between the editor and the
// views that draw it. The destination area of each draw is in the drawing view's coordinates
// (the context's offset is added) and its size is the size copied; the source offset is the
// top-left corner of the region inside the pixmap. Sizes and offsets are view pixels: at a scale
// other than 100 % the pixmap draws the resource drawn for that scale, numbered
// `scaledResourceNumber`, and without one stretches its own pixels to whole device pixels.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CPixmap : public CRefCounted {
public:
    explicit CPixmap(int32_t resourceNumber);
    ~CPixmap() override;

    virtual void drawCopy(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset);
    // Leaves out every pixel of the key colour (white).
    virtual void drawKeyed(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset);
    // Blends with a constant opacity; draws nothing where the platform cannot blend.
    virtual void drawBlended(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset,
                             uint8_t opacity);
    virtual void unload();
    // The low 16 bits of the number name the resource.
    virtual bool loadResource(int32_t resourceNumber);

    // The resource that holds this picture drawn for a scale; the number itself at 100 %.
    static int32_t scaledResourceNumber(int32_t resourceNumber, const CScale& scale);

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    const CRgba& getKeyColor() const { return keyColor; }
    NativeBitmap getBitmap() const { return bitmap ? bitmap->nativeBitmap() : NativeBitmap{}; }

private:
    // The bitmap to copy from at the context's scale and where the region lies in it, in its
    // pixels; false when there is nothing to draw. `stretched` tells that the 100 % bitmap is
    // used at another scale.
    struct SourceRegion {
        const PlatformBitmap* bitmap{nullptr};
        CPos corner;
        CPos size;
        bool stretched{false};
    };
    bool sourceFor(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset,
                   SourceRegion& region);

    int32_t width{0};
    int32_t height{0};
    CRgba keyColor{kRgbaKeyWhite};
    std::unique_ptr<PlatformBitmap> bitmap;
    int32_t resource{0};
    CScale scaledFor;                             // the scale `scaledBitmap` was loaded for
    std::unique_ptr<PlatformBitmap> scaledBitmap; // null at 100 % and where the resource has no such picture
    int32_t scaledWidth{0};
    int32_t scaledHeight{0};
};

} // namespace tovrel
