// The Cairo painter against pixels worked out by hand from GDI's rules: areas cover their left and
// top edges but not their right and bottom ones, a line leaves out its last point, pictures are
// copied, keyed and scaled pixel for pixel, text sits in its box as a single-line DrawText puts it.
#include "gui/platform/x11/CairoPainter.h"
#include "gui/CPaintContext.h"
#include "gui/platform/x11/BmpDecoder.h"
#include "gui/platform/x11/X11Bitmap.h"
#include "gui/platform/x11/X11Font.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <functional>
#include <string>
#include <vector>

namespace tovrel {
namespace {

// Cairo and fontconfig keep caches for the process's life (the library never ends them: a host's
// process may use them too); the test program ends them, so that the sanitizer build's leak
// checker sees only what the painter itself leaves.
class CachesEnd : public ::testing::Environment {
public:
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
[[maybe_unused]] ::testing::Environment* const cachesEnd = ::testing::AddGlobalTestEnvironment(new CachesEnd);

constexpr int32_t kSide = 24;
constexpr CRgba kGround{28, 30, 35, 255};
constexpr CRgba kInk{221, 233, 246, 255};
constexpr CRgba kRed{255, 0, 0, 255};
constexpr CRgba kOdd{1, 254, 127, 255};

uint32_t word(const CRgba& c) {
    return uint32_t{c.red} << 16 | uint32_t{c.green} << 8 | c.blue;
}

// A back buffer of kSide pixels square cleared to kGround, and the picture a test expects of it.
struct Canvas {
    std::unique_ptr<PlatformPainter> painter{makeBufferPainter(NativeWindow{}, CPos{kSide, kSide})};
    std::vector<uint32_t> expected = std::vector<uint32_t>(kSide * kSide, word(kGround));

    Canvas() {
        painter->setFill(kGround);
        painter->fillArea(CRectangle{0, 0, kSide, kSide});
    }
    void expect(const CRectangle& area, uint32_t colour) {
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                expected[static_cast<size_t>(y * kSide + x)] = colour;
    }
    uint32_t at(int32_t x, int32_t y) const {
        cairo_surface_t* surface = cairo_get_target(painter->nativeDevice());
        cairo_surface_flush(surface);
        const unsigned char* row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFFu;
    }
    // The pixels that differ from the expected picture, as "(x, y) got want" lines.
    std::string differences() const {
        std::string found;
        for (int32_t y = 0; y < kSide; ++y)
            for (int32_t x = 0; x < kSide; ++x)
                if (at(x, y) != expected[static_cast<size_t>(y * kSide + x)] && found.size() < 400)
                    found += "(" + std::to_string(x) + ", " + std::to_string(y) + ") ";
        return found;
    }
    // The smallest area holding every pixel not of kGround.
    CRectangle ink() const {
        CRectangle box{kSide, kSide, 0, 0};
        for (int32_t y = 0; y < kSide; ++y)
            for (int32_t x = 0; x < kSide; ++x)
                if (at(x, y) != word(kGround))
                    box = CRectangle{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                                     std::max(box.bottom, y + 1)};
        return box;
    }
};

TEST(CairoPainter, AreasLinesAndClipCoverGdisPixels) {
    const struct {
        const char* name;
        std::function<void(PlatformPainter&)> draw;
        std::vector<std::pair<CRectangle, CRgba>> expected;
    } cases[] = {
        {"an area covers its left and top edges only",
         [](PlatformPainter& p) {
             p.setFill(kRed), p.fillArea({2, 3, 6, 5});
         },
         {{{2, 3, 6, 5}, kRed}}},
        {"empty and inverted areas cover nothing",
         [](PlatformPainter& p) {
             p.setFill(kRed), p.fillArea({5, 5, 5, 9}), p.fillArea({6, 2, 3, 4});
         },
         {}},
        {"colours come out exactly",
         [](PlatformPainter& p) {
             p.setFill(kOdd), p.fillArea({0, 0, 3, 3});
         },
         {{{0, 0, 3, 3}, kOdd}}},
        {"a closed outline draws every corner once",
         [](PlatformPainter& p) {
             const CPos corners[] = {{2, 2}, {7, 2}, {7, 5}, {2, 5}, {2, 2}};
             p.setPen(kInk, 1), p.drawPolyline(corners, 5);
         },
         {{{2, 2, 7, 3}, kInk}, {{7, 2, 8, 5}, kInk}, {{3, 5, 8, 6}, kInk}, {{2, 3, 3, 6}, kInk}}},
        {"lines drawn backwards leave out their last point too",
         [](PlatformPainter& p) {
             const CPos leftwards[] = {{9, 1}, {3, 1}};
             const CPos upwards[] = {{1, 9}, {1, 4}};
             p.setPen(kInk, 1), p.drawPolyline(leftwards, 2), p.drawPolyline(upwards, 2);
         },
         {{{4, 1, 10, 2}, kInk}, {{1, 5, 2, 10}, kInk}}},
        {"bands take the pen's colour, not the fill's",
         [](PlatformPainter& p) {
             const CRectangle bands[] = {{1, 1, 3, 2}, {4, 4, 5, 8}};
             p.setFill(kRed), p.setPen(kInk, 1), p.fillWithPen(bands, 2);
         },
         {{{1, 1, 3, 2}, kInk}, {{4, 4, 5, 8}, kInk}}},
        {"a clip keeps everything inside it, and a new clip replaces the old",
         [](PlatformPainter& p) {
             p.setClip({3, 3, 6, 6}), p.setFill(kRed), p.fillArea({0, 0, kSide, kSide});
             p.setClip({0, 0, 2, 2}), p.setFill(kInk), p.fillArea({0, 0, kSide, kSide});
         },
         {{{3, 3, 6, 6}, kRed}, {{0, 0, 2, 2}, kInk}}},
    };
    for (const auto& c : cases) {
        Canvas canvas;
        c.draw(*canvas.painter);
        for (const auto& [area, colour] : c.expected)
            canvas.expect(area, word(colour));
        EXPECT_EQ(canvas.differences(), "") << c.name;
    }
}

// A picture of 4 x 3 pixels, white (the key) among three colours.
constexpr uint32_t kA = 0x102030;
constexpr uint32_t kB = 0x405060;
constexpr uint32_t kC = 0xF00080;
constexpr uint32_t kW = 0xFFFFFF;
constexpr uint32_t kPicture[3][4] = {{kA, kB, kW, kC}, {kW, kA, kA, kB}, {kC, kW, kB, kA}};

X11Bitmap smallPicture() {
    DecodedBitmap decoded;
    decoded.width = 4;
    decoded.height = 3;
    for (const auto& row : kPicture)
        for (const uint32_t colour : row)
            decoded.pixels.push_back(0xFF000000u | colour);
    return X11Bitmap(decoded);
}

TEST(CairoPainter, PicturesAreCopiedKeyedAndScaledPixelForPixel) {
    enum Kind { plain, keyedWhite, keyedRed, clipped };
    const struct {
        const char* name;
        Kind kind;
        CPos corner;
        CPos size;
        CRectangle target;
    } cases[] = {
        {"the whole picture", plain, {0, 0}, {4, 3}, {5, 6, 9, 9}},
        {"a region of it", plain, {1, 1}, {2, 2}, {0, 0, 2, 2}},
        {"doubled: each pixel a 2 x 2 block", plain, {0, 0}, {4, 3}, {2, 2, 10, 8}},
        {"tripled across, region", plain, {1, 0}, {3, 2}, {0, 10, 9, 12}},
        {"keyed: white leaves the ground", keyedWhite, {0, 0}, {4, 3}, {3, 3, 7, 6}},
        {"keyed and doubled", keyedWhite, {0, 0}, {4, 3}, {1, 1, 9, 7}},
        {"keyed with another key: white drawn", keyedRed, {0, 0}, {4, 3}, {3, 3, 7, 6}},
        {"clipped", clipped, {0, 0}, {4, 3}, {2, 2, 10, 8}},
    };
    const X11Bitmap picture = smallPicture();
    for (const auto& c : cases) {
        Canvas canvas;
        PlatformPainter& painter = *canvas.painter;
        const CRectangle clip{4, 3, 7, 20};
        if (c.kind == clipped)
            painter.setClip(clip);
        if (c.kind == keyedWhite)
            painter.drawBitmapKeyed(picture, c.corner, c.size, c.target, kRgbaKeyWhite);
        else if (c.kind == keyedRed) {
            // Over the same picture keyed white: the keyed copy must follow the key.
            painter.drawBitmapKeyed(picture, c.corner, c.size, c.target, kRgbaKeyWhite);
            painter.drawBitmapKeyed(picture, c.corner, c.size, c.target, kRed);
        } else
            painter.drawBitmap(picture, c.corner, c.size, c.target);
        // Device pixel (x, y) shows picture pixel corner + (x - left) * size / width, across and down.
        for (int32_t y = c.target.top; y < c.target.bottom; ++y) {
            for (int32_t x = c.target.left; x < c.target.right; ++x) {
                const uint32_t colour =
                    kPicture[c.corner.v + (y - c.target.top) * c.size.v / c.target.height()]
                            [c.corner.h + (x - c.target.left) * c.size.h / c.target.width()];
                const bool inClip = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                if ((c.kind != keyedWhite || colour != kW) && (c.kind != clipped || inClip))
                    canvas.expect({x, y, x + 1, y + 1}, colour);
            }
        }
        EXPECT_EQ(canvas.differences(), "") << c.name;
    }
    // Numbers the library has no picture for.
    EXPECT_EQ(loadBitmapResource(127), nullptr);
    EXPECT_EQ(loadBitmapResource(65535), nullptr);
    EXPECT_NE(loadBitmapResource(4128), nullptr);
}

TEST(CairoPainter, BlendsAndCopiesBetweenDevices) {
    const X11Bitmap picture = smallPicture();
    Canvas canvas;
    PlatformPainter& painter = *canvas.painter;
    // Opaque and half over the ground: half way between, to the nearest step or the next.
    painter.drawBitmapBlended(picture, {0, 0}, {4, 3}, {0, 0, 4, 3}, 255);
    painter.drawBitmapBlended(picture, {0, 0}, {4, 3}, {0, 4, 4, 7}, 128);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(canvas.at(x, y), kPicture[y][x]) << x << ", " << y;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int mixed = static_cast<int>(canvas.at(x, y + 4) >> shift & 0xFF);
                const int half =
                    static_cast<int>((kPicture[y][x] >> shift & 0xFF) + (word(kGround) >> shift & 0xFF)) / 2;
                EXPECT_NEAR(mixed, half, 1) << x << ", " << y << " channel at bit " << shift;
            }
        }

    // A block copy into another buffer, and one onto itself, one pixel to the right, overlapping.
    Canvas other;
    other.painter->copyFrom(painter, {1, 0}, {10, 10, 13, 13});
    painter.copyFrom(painter, {0, 0}, {1, 0, 5, 3});
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            if (x < 3) {
                EXPECT_EQ(other.at(10 + x, 10 + y), kPicture[y][x + 1]) << x << ", " << y;
            }
            EXPECT_EQ(canvas.at(x + 1, y), kPicture[y][x]) << x << ", " << y;
        }
    EXPECT_EQ(other.at(13, 10), word(kGround));
}

// The editor's face at 11 and 22 pixels: its Windows ascent and descent (1854 and 434 of 2048
// units) give cells of 10 + 2 and 20 + 5 pixels; "H" stands on the baseline, 7 pixels wide with its
// spacing at 11 pixels, as the "Hz" of the Windows editor's picture shows.
TEST(CairoPainter, TextSitsInItsBoxAsGdiPutsIt) {
    const struct {
        const char* name;
        int32_t pixels;
        CRectangle box;
        int32_t alignment;
        int32_t baseline; // the row under the text's ink
        CRectangle ink;   // for the fields of it that are not 0
    } cases[] = {
        // The cell's top: half the box's height less half the cell's, each halved alone.
        {"centred in a box of 14", 11, {2, 2, 22, 16}, kAlignLeft, 2 + 7 - 6 + 10, {}},
        {"centred in a box of 15", 11, {2, 2, 22, 17}, kAlignLeft, 2 + 7 - 6 + 10, {}},
        {"centred in a box of 17", 11, {2, 0, 22, 17}, kAlignLeft, 0 + 8 - 6 + 10, {}},
        {"higher than a box of 9", 11, {2, 6, 22, 15}, kAlignLeft, 6 + 4 - 6 + 10, {}},
        {"odd cell in an even box", 22, {0, 0, 24, 24}, kAlignLeft, 0 + 12 - 12 + 20, {}},
    };
    for (const auto& c : cases) {
        Canvas canvas;
        PlatformFont font;
        font.face = "Arial";
        font.pixelHeight = c.pixels;
        canvas.painter->setFont(font);
        canvas.painter->setTextColour(kInk);
        canvas.painter->drawText("H", c.box, c.alignment, false);
        EXPECT_EQ(canvas.ink().bottom, c.baseline) << c.name;
    }

    // Left, centred and right: the same ink moved by the box's room left over.
    PlatformFont font;
    font.face = "Arial";
    font.pixelHeight = 11;
    int32_t left[3] = {};
    for (const int32_t alignment : {kAlignLeft, kAlignCenter, kAlignRight}) {
        Canvas canvas;
        canvas.painter->setFont(font);
        canvas.painter->drawText("H", {1, 0, 21, 14}, alignment, false);
        left[alignment] = canvas.ink().left;
    }
    EXPECT_EQ(left[kAlignCenter] - left[kAlignLeft], (20 - 7) / 2);
    EXPECT_EQ(left[kAlignRight] - left[kAlignLeft], 20 - 7);

    // Opaque: the cell under the text takes the fill colour; nothing outside the box changes.
    Canvas opaque;
    opaque.painter->setFont(font);
    opaque.painter->setFill(kRed);
    opaque.painter->drawText("H", {2, 2, 20, 16}, kAlignLeft, true);
    EXPECT_EQ(opaque.ink(), (CRectangle{2, 3, 9, 15}));
    EXPECT_EQ(opaque.at(2, 3), word(kRed));
    Canvas clipped;
    clipped.painter->setFont(font);
    clipped.painter->setFill(kRed);
    clipped.painter->drawText("HHHH", {3, 2, 9, 6}, kAlignLeft, true);
    EXPECT_EQ(clipped.ink(), (CRectangle{3, 2, 9, 6})); // the cell is higher than the box

    // Underlined: ink under the baseline. Bold: wider strokes.
    int32_t bottom[2] = {};
    int32_t width[2] = {};
    for (const bool styled : {false, true}) {
        Canvas underlined;
        Canvas bold;
        PlatformFont request = font;
        request.underline = styled;
        underlined.painter->setFont(request);
        underlined.painter->drawText("H", {2, 2, 20, 16}, kAlignLeft, false);
        request.underline = false;
        request.bold = styled;
        bold.painter->setFont(request);
        bold.painter->drawText("llll", {2, 2, 20, 16}, kAlignLeft, false);
        bottom[styled] = underlined.ink().bottom;
        width[styled] = bold.ink().width();
    }
    EXPECT_EQ(bottom[0], 3 + 10);
    EXPECT_GT(bottom[1], bottom[0]);
    EXPECT_GT(width[1], width[0]);
}

cairo_surface_t* windowStandIn = nullptr;

// The devices a painter draws on: a borrowed context stays its owner's (its clip holds, its state
// comes back), a window without a context gets one from the window side, and without either
// nothing is drawn.
TEST(CairoPainter, DrawsOnTheDeviceItIsGiven) {
    cairo_surface_t* owned = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 8, 8);
    cairo_t* context = cairo_create(owned);
    cairo_rectangle(context, 0, 0, 4, 8);
    cairo_clip(context);
    {
        const std::unique_ptr<PlatformPainter> painter = makeWindowPainter(context, NativeWindow{});
        EXPECT_EQ(painter->nativeDevice(), context);
        painter->setClip({2, 0, 8, 8});
        painter->setFill(kRed);
        painter->fillArea({0, 0, 8, 8});
    }
    cairo_surface_flush(owned);
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(owned));
    EXPECT_EQ(row[1] & 0xFFFFFFu, 0u) << "outside the painter's clip";
    EXPECT_EQ(row[2] & 0xFFFFFFu, word(kRed));
    EXPECT_EQ(row[4] & 0xFFFFFFu, 0u) << "outside the owner's clip";
    EXPECT_EQ(cairo_get_antialias(context), CAIRO_ANTIALIAS_DEFAULT);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(context, &x1, &y1, &x2, &y2);
    EXPECT_EQ(x2, 4.0) << "the owner's clip back";
    cairo_destroy(context);

    // The window side's surface, taken by the painter and flushed and let go at its end.
    windowStandIn = owned;
    setWindowSurfaceSource(
        [](NativeWindow window) { return window == 77 ? cairo_surface_reference(windowStandIn) : nullptr; });
    {
        const std::unique_ptr<PlatformPainter> painter = makeWindowPainter(nullptr, 77);
        ASSERT_NE(painter->nativeDevice(), nullptr);
        painter->setFill(kInk);
        painter->fillArea({6, 0, 7, 1});
    }
    EXPECT_EQ(cairo_surface_get_reference_count(owned), 1u);
    EXPECT_EQ(row[6] & 0xFFFFFFu, word(kInk));
    for (const NativeWindow window : {NativeWindow{}, NativeWindow{78}}) {
        const std::unique_ptr<PlatformPainter> painter = makeWindowPainter(nullptr, window);
        EXPECT_EQ(painter->nativeDevice(), nullptr);
        const CPos line[] = {{0, 0}, {5, 0}};
        painter->setFill(kRed);
        painter->fillArea({0, 0, 8, 8});
        painter->drawPolyline(line, 2);
        painter->drawText("x", {0, 0, 8, 8}, kAlignLeft, true);
        painter->copyFrom(*painter, {0, 0}, {0, 0, 8, 8});
    }
    setWindowSurfaceSource(nullptr);
    cairo_surface_destroy(owned);
}

} // namespace
} // namespace tovrel
