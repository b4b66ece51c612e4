#include "gui/platform/x11/X11Bitmap.h"

#include "gui/platform/x11/EmbeddedBitmaps.h"

#include <cstring>

namespace tovrel {

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFFu;

// A new image of `format` holding `pixels` (width * height words); null when Cairo refuses.
cairo_surface_t* imageOf(cairo_format_t format, const uint32_t* pixels, int32_t width, int32_t height) {
    cairo_surface_t* image = cairo_image_surface_create(format, width, height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return nullptr;
    }
    cairo_surface_flush(image);
    unsigned char* rows = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint32_t);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(rows + static_cast<ptrdiff_t>(y) * stride,
                    pixels + static_cast<size_t>(y) * static_cast<size_t>(width), rowBytes);
    cairo_surface_mark_dirty(image);
    return image;
}

} // namespace

std::unique_ptr<PlatformBitmap> loadBitmapResource(int32_t number) {
    const EmbeddedBitmap* file = findEmbeddedBitmap(number);
    if (!file)
        return nullptr;
    DecodedBitmap decoded;
    if (decodeBmp(file->data, file->size, decoded) != BmpFault::none)
        return nullptr;
    auto bitmap = std::make_unique<X11Bitmap>(decoded);
    if (!bitmap->nativeBitmap())
        return nullptr;
    return bitmap;
}

X11Bitmap::X11Bitmap(const DecodedBitmap& decoded) {
    if (decoded.width <= 0 || decoded.height <= 0 ||
        decoded.pixels.size() != static_cast<size_t>(decoded.width) * static_cast<size_t>(decoded.height))
        return;
    // RGB24 ignores the top byte: the pixels a run-length picture leaves undefined (transparent
    // in the decoded words, all zero) come out black, as in an opaque device bitmap.
    surface = imageOf(CAIRO_FORMAT_RGB24, decoded.pixels.data(), decoded.width, decoded.height);
    if (surface) {
        pictureWidth = decoded.width;
        pictureHeight = decoded.height;
    }
}

X11Bitmap::~X11Bitmap() {
    if (keyed)
        cairo_surface_destroy(keyed);
    if (surface)
        cairo_surface_destroy(surface);
}

cairo_surface_t* X11Bitmap::keyedSurface(const CRgba& key) const {
    // The key as Cairo's words hold it: 0x00RRGGBB.
    const uint32_t wanted = uint32_t{key.red} << 16 | uint32_t{key.green} << 8 | uint32_t{key.blue};
    if (keyed && keyedRgb == wanted)
        return keyed;
    if (!surface)
        return nullptr;
    if (keyed)
        cairo_surface_destroy(keyed);
    keyed = nullptr;

    cairo_surface_flush(surface);
    const unsigned char* rows = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<uint32_t> pixels(static_cast<size_t>(pictureWidth) * static_cast<size_t>(pictureHeight));
    for (int32_t y = 0; y < pictureHeight; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(rows + static_cast<ptrdiff_t>(y) * stride);
        for (int32_t x = 0; x < pictureWidth; ++x) {
            const uint32_t colour = row[x] & kRgbMask;
            pixels[static_cast<size_t>(y) * static_cast<size_t>(pictureWidth) + static_cast<size_t>(x)] =
                colour == wanted ? 0u : (0xFF000000u | colour);
        }
    }
    keyed = imageOf(CAIRO_FORMAT_ARGB32, pixels.data(), pictureWidth, pictureHeight);
    keyedRgb = wanted;
    return keyed;
}

} // namespace tovrel
