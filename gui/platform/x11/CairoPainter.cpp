#include "gui/platform/x11/CairoPainter.h"

#include "gui/CPaintContext.h"
#include "gui/platform/x11/X11Bitmap.h"
#include "gui/platform/x11/X11Font.h"

#include <atomic>

namespace tovrel {

namespace {

std::atomic<WindowSurfaceSource> windowSurfaceSource{nullptr};

cairo_t* contextOn(cairo_surface_t* surface) {
    if (!surface)
        return nullptr;
    cairo_t* made = cairo_create(surface);
    cairo_surface_destroy(surface); // the context holds it from here on
    return made;
}

bool isEmpty(const CRectangle& area) {
    return area.right <= area.left || area.bottom <= area.top;
}

void addArea(cairo_t* context, const CRectangle& area) {
    if (!isEmpty(area))
        cairo_rectangle(context, area.left, area.top, area.width(), area.height());
}

} // namespace

void setWindowSurfaceSource(WindowSurfaceSource source) {
    windowSurfaceSource.store(source);
}

std::unique_ptr<PlatformPainter> makeWindowPainter(NativeDevice device, NativeWindow window) {
    if (device)
        return std::make_unique<CairoPainter>(device, false);
    const WindowSurfaceSource source = windowSurfaceSource.load();
    cairo_t* made = window && source ? contextOn(source(window)) : nullptr;
    return std::make_unique<CairoPainter>(made, true);
}

std::unique_ptr<PlatformPainter> makeBufferPainter(NativeWindow, CPos size) {
    // Pixels are copied between buffer and window through Cairo, which converts between the
    // image and any window's format: the window is not needed to make the buffer.
    cairo_surface_t* buffer =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.h > 0 ? size.h : 0, size.v > 0 ? size.v : 0);
    return std::make_unique<CairoPainter>(contextOn(buffer), true);
}

CairoPainter::CairoPainter(cairo_t* given, bool owned) : context(given), ownedContext(owned) {
    if (!context)
        return;
    if (cairo_status(context) != CAIRO_STATUS_SUCCESS) {
        if (ownedContext)
            cairo_destroy(context);
        context = nullptr;
        return;
    }
    // Two levels: the owner's state, given back at the end, and under it the painter's clip,
    // which a new clip replaces by going back to the owner's (a window's context may come clipped
    // to the exposed area, and the painter never draws outside that).
    cairo_save(context);
    cairo_identity_matrix(context);
    cairo_set_operator(context, CAIRO_OPERATOR_OVER);
    // Every edge the painter draws lies on whole pixels: no pixel is ever partly covered.
    cairo_set_antialias(context, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(context, CAIRO_FILL_RULE_WINDING);
    cairo_save(context);
}

CairoPainter::~CairoPainter() {
    if (!context)
        return;
    cairo_restore(context);
    cairo_restore(context);
    if (ownedContext) {
        cairo_surface_flush(cairo_get_target(context));
        cairo_destroy(context);
    }
}

void CairoPainter::setSource(const CRgba& colour) {
    cairo_set_source_rgb(context, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
}

void CairoPainter::setPen(const CRgba& colour, int32_t) {
    // Every line is one pixel wide: the width asked for is the paint context's, always one.
    penColour = colour;
}

void CairoPainter::setFill(const CRgba& colour) {
    fillColour = colour;
}

void CairoPainter::setTextColour(const CRgba& colour) {
    textColour = colour;
}

void CairoPainter::setFont(const PlatformFont& request) {
    font = X11Font::find(request);
}

void CairoPainter::setClip(const CRectangle& area) {
    if (!context)
        return;
    // The new clip replaces the old one, as a selected clip region does.
    cairo_restore(context);
    cairo_save(context);
    cairo_new_path(context);
    if (isEmpty(area))
        cairo_rectangle(context, 0, 0, 0, 0);
    else
        addArea(context, area);
    cairo_clip(context);
}

void CairoPainter::fillArea(const CRectangle& area) {
    if (!context || isEmpty(area))
        return;
    setSource(fillColour);
    addArea(context, area);
    cairo_fill(context);
}

void CairoPainter::addLinePixels(CPos from, CPos to) {
    const int32_t dx = to.h - from.h;
    const int32_t dy = to.v - from.v;
    if (dy == 0 && dx != 0) {
        // From the start up to the end, the end left out, whichever way the line runs.
        const int32_t left = dx > 0 ? from.h : to.h + 1;
        cairo_rectangle(context, left, from.v, dx > 0 ? dx : -dx, 1);
        return;
    }
    if (dx == 0 && dy != 0) {
        const int32_t top = dy > 0 ? from.v : to.v + 1;
        cairo_rectangle(context, from.h, top, 1, dy > 0 ? dy : -dy);
        return;
    }
    // A slanted line: one pixel per step along its longer axis, the other axis rounded to the
    // nearest pixel (halves away from the start).
    const int32_t steps =
        (dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy) ? (dx < 0 ? -dx : dx) : (dy < 0 ? -dy : dy);
    for (int32_t step = 0; step < steps; ++step) {
        const int64_t alongH = int64_t{dx} * step;
        const int64_t alongV = int64_t{dy} * step;
        const auto rounded = [steps](int64_t value) {
            return static_cast<int32_t>(value >= 0 ? (2 * value + steps) / (2 * steps)
                                                   : -((-2 * value + steps) / (2 * steps)));
        };
        cairo_rectangle(context, from.h + rounded(alongH), from.v + rounded(alongV), 1, 1);
    }
}

void CairoPainter::drawPolyline(const CPos* points, int32_t count) {
    if (!context || !points || count < 2)
        return;
    setSource(penColour);
    for (int32_t i = 1; i < count; ++i)
        addLinePixels(points[i - 1], points[i]);
    cairo_fill(context);
}

void CairoPainter::fillWithPen(const CRectangle* areas, int32_t count) {
    if (!context || !areas || count <= 0)
        return;
    setSource(penColour);
    for (int32_t i = 0; i < count; ++i)
        addArea(context, areas[i]);
    cairo_fill(context);
}

void CairoPainter::drawText(const char* text, const CRectangle& box, int32_t alignment, bool opaque) {
    if (!context || !text || !font)
        return;
    const int32_t width = font->textWidth(text);
    const int32_t height = font->cellHeight();
    int32_t x = box.left;
    if (alignment == kAlignCenter)
        x = (box.left + box.right - width) / 2;
    else if (alignment == kAlignRight)
        x = box.right - width;
    // The cell centred in the box as a single-line DrawText centres it: half the box less half
    // the cell, each halved on its own.
    const int32_t top = box.top + box.height() / 2 - height / 2;

    cairo_save(context);
    addArea(context, box);
    cairo_clip(context);
    if (opaque) {
        setSource(fillColour);
        addArea(context, CRectangle{x, top, x + width, top + height});
        cairo_fill(context);
    }
    setSource(textColour);
    font->drawText(context, text, x, top + font->ascent(), textColour);
    cairo_restore(context);
}

void CairoPainter::layPicture(cairo_surface_t* picture, CPos sourceCorner, CPos sourceSize,
                              const CRectangle& target, double opacity) {
    if (!context || !picture || isEmpty(target) || sourceSize.h <= 0 || sourceSize.v <= 0)
        return;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(picture);
    // From device pixels to picture pixels: each picture pixel covers a block of whole device
    // pixels, sampled at the device pixel's centre.
    cairo_matrix_t toPicture;
    cairo_matrix_init_translate(&toPicture, sourceCorner.h, sourceCorner.v);
    cairo_matrix_scale(&toPicture, static_cast<double>(sourceSize.h) / target.width(),
                       static_cast<double>(sourceSize.v) / target.height());
    cairo_matrix_translate(&toPicture, -target.left, -target.top);
    cairo_pattern_set_matrix(pattern, &toPicture);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_NONE);

    cairo_save(context);
    addArea(context, target);
    cairo_clip(context);
    cairo_set_source(context, pattern);
    if (opacity >= 1.0)
        cairo_paint(context);
    else
        cairo_paint_with_alpha(context, opacity);
    cairo_restore(context);
    cairo_pattern_destroy(pattern);
}

void CairoPainter::drawBitmap(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                              const CRectangle& target) {
    layPicture(source.nativeBitmap(), sourceCorner, sourceSize, target, 1.0);
}

void CairoPainter::drawBitmapKeyed(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                                   const CRectangle& target, const CRgba& key) {
    const auto& picture = static_cast<const X11Bitmap&>(source);
    layPicture(picture.keyedSurface(key), sourceCorner, sourceSize, target, 1.0);
}

void CairoPainter::drawBitmapBlended(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                                     const CRectangle& target, uint8_t opacity) {
    layPicture(source.nativeBitmap(), sourceCorner, sourceSize, target, opacity / 255.0);
}

void CairoPainter::copyFrom(const PlatformPainter& source, CPos sourceCorner, const CRectangle& target) {
    cairo_t* from = source.nativeDevice();
    if (!context || !from || isEmpty(target))
        return;
    cairo_surface_t* pixels = cairo_get_target(from);
    cairo_surface_flush(pixels);
    cairo_surface_t* copied = nullptr;
    if (pixels == cairo_get_target(context)) {
        // Within one device the region is taken out first, so that overlapping areas copy as a
        // block copy does.
        copied = cairo_image_surface_create(CAIRO_FORMAT_RGB24, target.width(), target.height());
        cairo_t* staging = cairo_create(copied);
        cairo_set_source_surface(staging, pixels, -sourceCorner.h, -sourceCorner.v);
        cairo_set_operator(staging, CAIRO_OPERATOR_SOURCE);
        cairo_paint(staging);
        cairo_destroy(staging);
    }
    cairo_save(context);
    addArea(context, target);
    cairo_clip(context);
    if (copied)
        cairo_set_source_surface(context, copied, target.left, target.top);
    else
        cairo_set_source_surface(context, pixels, target.left - sourceCorner.h, target.top - sourceCorner.v);
    cairo_set_operator(context, CAIRO_OPERATOR_SOURCE);
    cairo_paint(context);
    cairo_restore(context);
    if (copied)
        cairo_surface_destroy(copied);
}

} // namespace tovrel
