#pragma once

#include "gui/platform/PlatformPainter.h"

#include <cairo.h>

#include <memory>

namespace tovrel {

class X11Font;

// Cairo under a paint context: a window's context (an expose handler's, borrowed), a context the
// painter made on a window's surface, or a back buffer's (an RGB24 image the painter owns). It
// draws GDI's pictures pixel for pixel: no antialiasing, areas and lines on whole device pixels,
// pictures scaled by nearest neighbour, text rendered as whole pixels (X11Font). A borrowed
// context is saved when the painter takes it and restored when it ends, so the painter's clip,
// colours and settings never leak to its owner. Without a context nothing is drawn.
class CairoPainter final : public PlatformPainter {
public:
    // On `context`: borrowed, or, with `owned`, destroyed (its surface flushed) when the painter
    // ends.
    CairoPainter(cairo_t* context, bool owned);
    ~CairoPainter() override;

    CairoPainter(const CairoPainter&) = delete;
    CairoPainter& operator=(const CairoPainter&) = delete;

    NativeDevice nativeDevice() const override { return context; }
    void setPen(const CRgba& colour, int32_t width) override;
    void setFill(const CRgba& colour) override;
    void setTextColour(const CRgba& colour) override;
    void setFont(const PlatformFont& request) override;
    void setClip(const CRectangle& area) override;
    void fillArea(const CRectangle& area) override;
    void drawPolyline(const CPos* points, int32_t count) override;
    void fillWithPen(const CRectangle* areas, int32_t count) override;
    void drawText(const char* text, const CRectangle& box, int32_t alignment, bool opaque) override;
    void drawBitmap(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                    const CRectangle& target) override;
    void drawBitmapKeyed(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                         const CRectangle& target, const CRgba& key) override;
    bool canBlend() const override { return true; }
    void drawBitmapBlended(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                           const CRectangle& target, uint8_t opacity) override;
    void copyFrom(const PlatformPainter& source, CPos sourceCorner, const CRectangle& target) override;

    // The font the last setFont found; null when none could be opened.
    const X11Font* currentFont() const { return font.get(); }

private:
    // Lays `picture` (region `sourceCorner`, `sourceSize`) over `target`, nearest neighbour,
    // with a constant opacity; transparent picture pixels leave the device as it was.
    void layPicture(cairo_surface_t* picture, CPos sourceCorner, CPos sourceSize, const CRectangle& target,
                    double opacity);
    void setSource(const CRgba& colour);
    // One line from `from` up to `to`, `to` itself left out, as whole pixels in the path.
    void addLinePixels(CPos from, CPos to);

    cairo_t* context{nullptr};
    bool ownedContext{false};
    CRgba penColour{};
    CRgba fillColour{};
    CRgba textColour{};
    std::shared_ptr<const X11Font> font;
};

// How a painter asked for a window without a device gets one: the window side gives a new
// surface on the window (the painter takes it and flushes and destroys it at its end), or null.
// Until one is set such a painter draws nothing.
using WindowSurfaceSource = cairo_surface_t* (*)(NativeWindow window);
void setWindowSurfaceSource(WindowSurfaceSource source);

} // namespace tovrel
