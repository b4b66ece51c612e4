#pragma once

#include "gui/CRectangle.h"
#include "gui/CRefCounted.h"
#include "gui/CRgba.h"

#include <windows.h>

#include <cstdint>

namespace tovrel {

class CPaintContext;

// A bitmap from the plug-in's own resources, shared by reference between the editor and the
// views that draw it. The destination area of each draw is in the drawing view's coordinates
// (the context's offset is added) and its size is the size copied; the source offset is the
// top-left corner of the region inside the pixmap.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CPixmap : public CRefCounted {
public:
    explicit CPixmap(int32_t resourceNumber);
    ~CPixmap() override;

    virtual void drawCopy(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset);
    // Leaves out every pixel of the key colour (white).
    virtual void drawKeyed(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset);
    // Blends with a constant opacity; draws nothing where the platform has no AlphaBlend.
    virtual void drawBlended(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset,
                             uint8_t opacity);
    virtual void unload();
    // The low 16 bits of the number name the resource.
    virtual bool loadResource(int32_t resourceNumber);

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    const CRgba& getKeyColor() const { return keyColor; }
    HBITMAP getBitmap() const { return bitmap; }

private:
    int32_t width{0};
    int32_t height{0};
    CRgba keyColor{kRgbaKeyWhite};
    HBITMAP bitmap{nullptr}; // owned
};

} // namespace tovrel
