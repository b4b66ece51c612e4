#pragma once

#include "gui/CRgba.h"
#include "gui/platform/PlatformBitmap.h"
#include "gui/platform/x11/BmpDecoder.h"

#include <cairo.h>

namespace tovrel {

// A decoded picture as an opaque Cairo image (CAIRO_FORMAT_RGB24), owned for the bitmap's life.
// For keyed drawing it keeps one copy with the key colour's pixels made transparent, made the
// first time a key is asked for and again only when the key changes: the editor draws its
// pictures with one key, white, on every paint.
class X11Bitmap final : public PlatformBitmap {
public:
    // Copies `decoded` into a new image; an empty bitmap (no surface) when Cairo cannot make one.
    explicit X11Bitmap(const DecodedBitmap& decoded);
    ~X11Bitmap() override;

    X11Bitmap(const X11Bitmap&) = delete;
    X11Bitmap& operator=(const X11Bitmap&) = delete;

    int32_t width() const override { return pictureWidth; }
    int32_t height() const override { return pictureHeight; }
    NativeBitmap nativeBitmap() const override { return surface; }

    // The picture with every pixel of `key`'s red, green and blue fully transparent (its alpha is
    // not compared), as a premultiplied ARGB32 image owned by the bitmap.
    cairo_surface_t* keyedSurface(const CRgba& key) const;

private:
    int32_t pictureWidth{0};
    int32_t pictureHeight{0};
    cairo_surface_t* surface{nullptr};
    mutable cairo_surface_t* keyed{nullptr}; // for keyedRgb, made on demand
    mutable uint32_t keyedRgb{0};
};

} // namespace tovrel
