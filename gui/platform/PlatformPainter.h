#pragma once

#include "gui/CPos.h"
#include "gui/CRectangle.h"
#include "gui/CRgba.h"
#include "gui/platform/PlatformTypes.h"

#include <cstdint>
#include <memory>

namespace tovrel {

class PlatformBitmap;

// A font as a paint context asks for it: a face, the character height in device pixels (the
// scale already applied) and the style. A symbol font has no ordinary text face to fall back to.
struct PlatformFont {
    const char* face{nullptr};
    int32_t pixelHeight{0};
    bool bold{false};
    bool italic{false};
    bool underline{false};
    bool symbol{false};
};

// The drawing device under one paint context: a window's device for one paint or one event, or a
// back buffer. Everything is in the device's own pixels; the paint context has applied the
// scale, the offsets and the rounding before it calls. The painter keeps the current pen, fill,
// text colour, font and clip, which the context sets only when they change; drawing without a
// device (a context for no window) draws nothing. Colours are opaque: their alpha is not used.
class PlatformPainter {
public:
    virtual ~PlatformPainter() = default;

    // The device drawn on; none for a painter without one.
    virtual NativeDevice nativeDevice() const = 0;

    // Drawing state.
    virtual void setPen(const CRgba& colour, int32_t width) = 0;
    // The colour of filled areas and of an opaque text's background.
    virtual void setFill(const CRgba& colour) = 0;
    virtual void setTextColour(const CRgba& colour) = 0;
    virtual void setFont(const PlatformFont& font) = 0;
    // Nothing outside `area` changes from now on.
    virtual void setClip(const CRectangle& area) = 0;

    // Fills `area` with the fill colour.
    virtual void fillArea(const CRectangle& area) = 0;
    // Lines one pixel wide in the pen's colour from each point to the next; the last point itself
    // is left out, so that a closed outline draws each corner once.
    virtual void drawPolyline(const CPos* points, int32_t count) = 0;
    // Fills each area with the pen's colour: the lines of a scaled drawing, as bands of pixels.
    virtual void fillWithPen(const CRectangle* areas, int32_t count) = 0;
    // One line of text in the font and text colour, centred vertically in `box` and aligned in it
    // (kAlignLeft, kAlignCenter, kAlignRight); `opaque` fills the text's own extent with the fill
    // colour first. Nothing is drawn outside the box.
    virtual void drawText(const char* text, const CRectangle& box, int32_t alignment, bool opaque) = 0;

    // Pictures: the region of `sourceSize` pixels from `sourceCorner` of the picture becomes the
    // `target` area of the device. Where the sizes differ each picture pixel becomes a block of
    // whole device pixels (nearest neighbour), never a blend of neighbours.
    virtual void drawBitmap(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                            const CRectangle& target) = 0;
    // The same leaving out every pixel of `key`, which lets the device show through.
    virtual void drawBitmapKeyed(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                                 const CRectangle& target, const CRgba& key) = 0;
    // Whether `drawBitmapBlended` draws anything on this platform.
    virtual bool canBlend() const = 0;
    // The same laid over the device with a constant opacity (255 opaque).
    virtual void drawBitmapBlended(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                                   const CRectangle& target, uint8_t opacity) = 0;

    // Copies, pixel for pixel, the pixels of another painter's device from `sourceCorner` into
    // `target`: a back buffer onto the window, or the window beneath into a back buffer.
    virtual void copyFrom(const PlatformPainter& source, CPos sourceCorner, const CRectangle& target) = 0;

protected:
    PlatformPainter() = default;
    PlatformPainter(const PlatformPainter&) = default;
    PlatformPainter& operator=(const PlatformPainter&) = default;
};

// A painter on `device` (borrowed, as an expose event or a test gives it), else on `window`'s own
// device, held until the painter goes; with neither, a painter that draws nowhere.
std::unique_ptr<PlatformPainter> makeWindowPainter(NativeDevice device, NativeWindow window);
// A painter on a back buffer of `size` device pixels whose pixels can be copied to and from
// `window`'s device (the screen's without a window). Its pixels are undefined until drawn.
std::unique_ptr<PlatformPainter> makeBufferPainter(NativeWindow window, CPos size);

} // namespace tovrel
