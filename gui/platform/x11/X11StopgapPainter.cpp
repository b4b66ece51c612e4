// A plain Cairo painter and bitmap loader that lets the X11 window be seen and tested until the
// full painter of this platform takes its place: this whole file goes then. It draws fills,
// lines, pictures (nearest neighbour, keyed) and Cairo's own simple text; it never blends.
#include "gui/CPaintContext.h"
#include "gui/platform/PlatformBitmap.h"
#include "gui/platform/PlatformPainter.h"
#include "gui/platform/x11/BmpDecoder.h"
#include "gui/platform/x11/EmbeddedBitmaps.h"
#include "gui/platform/x11/X11Connection.h"

#include <cairo.h>

#include <map>

namespace tovrel {

namespace {

class StopgapBitmap final : public PlatformBitmap {
public:
    explicit StopgapBitmap(DecodedBitmap decoded) : pixels(std::move(decoded)) {
        surface = surfaceOf(pixels);
    }
    ~StopgapBitmap() override {
        cairo_surface_destroy(surface);
        for (auto& entry : keyed)
            cairo_surface_destroy(entry.second.surface);
    }
    StopgapBitmap(const StopgapBitmap&) = delete;
    StopgapBitmap& operator=(const StopgapBitmap&) = delete;

    int32_t width() const override { return pixels.width; }
    int32_t height() const override { return pixels.height; }
    NativeBitmap nativeBitmap() const override { return surface; }

    // The picture with every pixel of `key` transparent, made once per key.
    cairo_surface_t* keyedBy(uint32_t key) const {
        auto found = keyed.find(key);
        if (found == keyed.end()) {
            KeyedCopy copy{pixels, nullptr};
            makeKeyColourTransparent(copy.pixels, key);
            copy.surface = surfaceOf(copy.pixels);
            found = keyed.emplace(key, std::move(copy)).first;
        }
        return found->second.surface;
    }

private:
    static cairo_surface_t* surfaceOf(DecodedBitmap& decoded) {
        return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(decoded.pixels.data()),
                                                   CAIRO_FORMAT_ARGB32, decoded.width, decoded.height,
                                                   decoded.stride());
    }
    struct KeyedCopy {
        DecodedBitmap pixels;
        cairo_surface_t* surface;
    };
    DecodedBitmap pixels;
    cairo_surface_t* surface{nullptr};
    mutable std::map<uint32_t, KeyedCopy> keyed;
};

void setColour(cairo_t* context, const CRgba& colour) {
    cairo_set_source_rgb(context, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
}

class StopgapPainter final : public PlatformPainter {
public:
    // Draws on `borrowed`, or on `owned` (destroyed with the painter), or nowhere.
    StopgapPainter(cairo_t* borrowed, cairo_surface_t* owned) : surface(owned) {
        context = borrowed ? cairo_reference(borrowed) : (owned ? cairo_create(owned) : nullptr);
    }
    ~StopgapPainter() override {
        if (context)
            cairo_destroy(context);
        if (surface) {
            cairo_surface_flush(surface);
            cairo_surface_destroy(surface);
        }
    }
    StopgapPainter(const StopgapPainter&) = delete;
    StopgapPainter& operator=(const StopgapPainter&) = delete;

    NativeDevice nativeDevice() const override { return context; }
    void setPen(const CRgba& colour, int32_t) override { pen = colour; }
    void setFill(const CRgba& colour) override { fill = colour; }
    void setTextColour(const CRgba& colour) override { text = colour; }
    void setFont(const PlatformFont& requested) override { font = requested; }
    void setClip(const CRectangle& area) override {
        if (!context)
            return;
        cairo_reset_clip(context);
        cairo_rectangle(context, area.left, area.top, area.width(), area.height());
        cairo_clip(context);
    }

    void fillArea(const CRectangle& area) override { fillWith(fill, &area, 1); }
    void drawPolyline(const CPos* points, int32_t count) override {
        if (!context || count < 2)
            return;
        setColour(context, pen);
        cairo_set_line_width(context, 1.0);
        cairo_move_to(context, points[0].h + 0.5, points[0].v + 0.5);
        for (int32_t i = 1; i < count; ++i)
            cairo_line_to(context, points[i].h + 0.5, points[i].v + 0.5);
        cairo_stroke(context);
    }
    void fillWithPen(const CRectangle* areas, int32_t count) override { fillWith(pen, areas, count); }
    void drawText(const char* line, const CRectangle& box, int32_t alignment, bool opaque) override {
        if (!context || !line)
            return;
        cairo_save(context);
        cairo_rectangle(context, box.left, box.top, box.width(), box.height());
        cairo_clip(context);
        cairo_select_font_face(context, font.face ? font.face : "sans-serif",
                               font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                               font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(context, font.pixelHeight > 0 ? font.pixelHeight : 11);
        cairo_text_extents_t extents{};
        cairo_text_extents(context, line, &extents);
        cairo_font_extents_t metrics{};
        cairo_font_extents(context, &metrics);
        double left = box.left;
        if (alignment == kAlignCenter)
            left = box.left + (box.width() - extents.x_advance) / 2.0;
        else if (alignment == kAlignRight)
            left = box.right - extents.x_advance;
        const double baseline = box.top + (box.height() + metrics.ascent - metrics.descent) / 2.0;
        if (opaque) {
            setColour(context, fill);
            cairo_rectangle(context, left, baseline - metrics.ascent, extents.x_advance, metrics.height);
            cairo_fill(context);
        }
        setColour(context, text);
        cairo_move_to(context, left, baseline);
        cairo_show_text(context, line);
        cairo_restore(context);
    }

    void drawBitmap(const PlatformBitmap& source, CPos corner, CPos size, const CRectangle& target) override {
        drawSurface(static_cast<const StopgapBitmap&>(source).nativeBitmap(), corner, size, target);
    }
    void drawBitmapKeyed(const PlatformBitmap& source, CPos corner, CPos size, const CRectangle& target,
                         const CRgba& key) override {
        const uint32_t rgb = (uint32_t{key.red} << 16) | (uint32_t{key.green} << 8) | key.blue;
        drawSurface(static_cast<const StopgapBitmap&>(source).keyedBy(rgb), corner, size, target);
    }
    bool canBlend() const override { return false; }
    void drawBitmapBlended(const PlatformBitmap&, CPos, CPos, const CRectangle&, uint8_t) override {}

    void copyFrom(const PlatformPainter& source, CPos corner, const CRectangle& target) override {
        auto* from = static_cast<cairo_t*>(source.nativeDevice());
        if (!context || !from)
            return;
        drawSurface(cairo_get_target(from), corner, CPos{target.width(), target.height()}, target);
    }

private:
    void fillWith(const CRgba& colour, const CRectangle* areas, int32_t count) {
        if (!context)
            return;
        setColour(context, colour);
        for (int32_t i = 0; i < count; ++i)
            cairo_rectangle(context, areas[i].left, areas[i].top, areas[i].width(), areas[i].height());
        cairo_fill(context);
    }
    void drawSurface(cairo_surface_t* picture, CPos corner, CPos size, const CRectangle& target) {
        if (!context || !picture || size.h <= 0 || size.v <= 0)
            return;
        cairo_save(context);
        cairo_rectangle(context, target.left, target.top, target.width(), target.height());
        cairo_clip(context);
        cairo_translate(context, target.left, target.top);
        cairo_scale(context, static_cast<double>(target.width()) / size.h,
                    static_cast<double>(target.height()) / size.v);
        cairo_set_source_surface(context, picture, -corner.h, -corner.v);
        cairo_pattern_set_filter(cairo_get_source(context), CAIRO_FILTER_NEAREST);
        cairo_paint(context);
        cairo_restore(context);
    }

    cairo_t* context{nullptr};
    cairo_surface_t* surface{nullptr};
    CRgba pen;
    CRgba fill;
    CRgba text;
    PlatformFont font;
};

} // namespace

std::unique_ptr<PlatformBitmap> loadBitmapResource(int32_t number) {
    const EmbeddedBitmap* embedded = findEmbeddedBitmap(number);
    if (!embedded)
        return nullptr;
    DecodedBitmap decoded;
    if (decodeBmp(embedded->data, embedded->size, decoded) != BmpFault::none)
        return nullptr;
    return std::make_unique<StopgapBitmap>(std::move(decoded));
}

std::unique_ptr<PlatformPainter> makeWindowPainter(NativeDevice device, NativeWindow window) {
    if (device)
        return std::make_unique<StopgapPainter>(device, nullptr);
    return std::make_unique<StopgapPainter>(nullptr, makeWindowSurface(threadDisplay(), window));
}

std::unique_ptr<PlatformPainter> makeBufferPainter(NativeWindow, CPos size) {
    const int32_t width = size.h > 0 ? size.h : 1;
    const int32_t height = size.v > 0 ? size.v : 1;
    return std::make_unique<StopgapPainter>(nullptr,
                                            cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
}

} // namespace tovrel
