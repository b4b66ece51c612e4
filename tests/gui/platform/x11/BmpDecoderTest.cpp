#include "gui/platform/x11/BmpDecoder.h"
#include "gui/platform/x11/EmbeddedBitmaps.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace tovrel {
namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void put32(Bytes& out, size_t at, uint32_t value) {
    put16(out, at, value & 0xFFFFu);
    put16(out, at + 2, value >> 16);
}

// The fields of a small BMP file, written out as the format lays them; each field can be set to
// something wrong. The defaults are a valid 3 x 2 8-bit picture of three colours.
struct BmpFile {
    uint32_t headerSize{40};
    int32_t width{3};
    int32_t height{2};
    uint32_t planes{1};
    uint32_t bits{8};
    uint32_t compression{0};
    uint32_t coloursUsed{3};
    std::vector<uint32_t> palette{0x102030, 0x405060, 0x708090};
    Bytes pixels{2, 2, 0, 0, 0, 1, 2, 0}; // bottom row first: C C A, then A B C
    int64_t pixelOffset{-1};              // -1: right after the palette

    Bytes bytes() const {
        const size_t start = 14 + headerSize;
        Bytes out(std::max<size_t>(start, 54) + 4 * palette.size(), 0);
        out[0] = 'B';
        out[1] = 'M';
        put32(out, 10,
              pixelOffset < 0 ? static_cast<uint32_t>(out.size()) : static_cast<uint32_t>(pixelOffset));
        put32(out, 14, headerSize);
        put32(out, 18, static_cast<uint32_t>(width));
        put32(out, 22, static_cast<uint32_t>(height));
        put16(out, 26, planes);
        put16(out, 28, bits);
        put32(out, 30, compression);
        put32(out, 46, coloursUsed);
        for (size_t i = 0; i < palette.size(); ++i)
            put32(out, start + 4 * i, palette[i]);
        out.insert(out.end(), pixels.begin(), pixels.end());
        put32(out, 2, static_cast<uint32_t>(out.size()));
        return out;
    }
};

constexpr uint32_t A = 0xFF102030, B = 0xFF405060, C = 0xFF708090;
const std::vector<uint32_t> kPicture{A, B, C, C, C, A}; // top row first

BmpFile rle8() {
    BmpFile file;
    file.compression = 1;
    file.pixels = {2, 2, 1, 0, 0, 0, 0, 3, 0, 1, 2, 0, 0, 1}; // C C A | absolute A B C | end
    return file;
}

BmpFile direct24(int32_t height) {
    BmpFile file;
    file.bits = 24;
    file.coloursUsed = 0;
    file.palette.clear();
    file.height = height;
    const Bytes top{0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x90, 0x80, 0x70, 0, 0, 0};
    const Bytes bottom{0x90, 0x80, 0x70, 0x90, 0x80, 0x70, 0x30, 0x20, 0x10, 0, 0, 0};
    file.pixels = height < 0 ? top : bottom;
    file.pixels.insert(file.pixels.end(), (height < 0 ? bottom : top).begin(),
                       (height < 0 ? bottom : top).end());
    return file;
}

BmpFault decode(const Bytes& bytes, DecodedBitmap& bitmap) {
    return decodeBmp(bytes.data(), bytes.size(), bitmap);
}

// Every bitmap the resource script lists decodes to exactly the pixels that draw_bitmaps.py drew
// before it encoded them (uncompressed at 100 %, RLE8 at the other scales).
TEST(EmbeddedBitmaps, DecodeToThePixelsTheirProgramDrew) {
    std::ifstream in(TOVREL_DRAWN_BITMAPS, std::ios::binary);
    ASSERT_TRUE(in) << TOVREL_DRAWN_BITMAPS;
    const Bytes drawn{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    size_t at = 0;
    size_t pictures = 0;
    auto read32 = [&] {
        int32_t value = 0;
        std::memcpy(&value, drawn.data() + at, 4);
        at += 4;
        return value;
    };
    while (at + 12 <= drawn.size()) {
        const int32_t number = read32(), width = read32(), height = read32();
        const size_t area = static_cast<size_t>(width) * static_cast<size_t>(height);
        ASSERT_LE(at + 3 * area, drawn.size());
        const EmbeddedBitmap* embedded = findEmbeddedBitmap(number);
        ASSERT_NE(embedded, nullptr) << "bitmap " << number;
        DecodedBitmap bitmap;
        ASSERT_EQ(decodeBmp(embedded->data, embedded->size, bitmap), BmpFault::none) << "bitmap " << number;
        ASSERT_EQ(bitmap.width, width) << "bitmap " << number;
        ASSERT_EQ(bitmap.height, height) << "bitmap " << number;
        EXPECT_EQ(bitmap.stride() % 4, 0);
        size_t wrong = 0;
        std::string first;
        for (size_t i = 0; i < area; ++i, at += 3) {
            const uint32_t expected =
                0xFF000000u | uint32_t{drawn[at]} << 16 | uint32_t{drawn[at + 1]} << 8 | drawn[at + 2];
            if (bitmap.pixels[i] != expected && wrong++ == 0)
                first = "(" + std::to_string(i % static_cast<size_t>(width)) + ", " +
                        std::to_string(i / static_cast<size_t>(width)) + ")";
        }
        EXPECT_EQ(wrong, 0u) << "bitmap " << number << " differs first at " << first;
        ++pictures;
    }
    EXPECT_EQ(at, drawn.size());
    EXPECT_EQ(pictures, 24u);
    EXPECT_EQ(static_cast<size_t>(embeddedBitmapsEnd() - embeddedBitmapsBegin()), pictures);
    EXPECT_EQ(findEmbeddedBitmap(131), nullptr);
    EXPECT_EQ(findEmbeddedBitmap(7128), nullptr);
}

// One picture stored every way the decoder reads comes out the same, top row first.
TEST(BmpDecoding, EveryLayoutGivesTheSamePicture) {
    BmpFile topDown;
    topDown.height = -2;
    topDown.pixels = {0, 1, 2, 0, 2, 2, 0, 0};
    BmpFile longHeader; // a BITMAPV5HEADER's length: the fields past the first 40 bytes are unused
    longHeader.headerSize = 124;
    BmpFile lastPaddingMissing;
    lastPaddingMissing.pixels.pop_back();
    BmpFile fullPalette;
    fullPalette.coloursUsed = 0;
    fullPalette.palette.resize(256, 0x00FFFFFF);
    const struct {
        const char* name;
        BmpFile file;
    } cases[] = {
        {"8-bit bottom-up", BmpFile{}},
        {"8-bit top-down", topDown},
        {"8-bit RLE8", rle8()},
        {"24-bit bottom-up", direct24(2)},
        {"24-bit top-down", direct24(-2)},
        {"124-byte header", longHeader},
        {"last row unpadded", lastPaddingMissing},
        {"palette of 256", fullPalette},
    };
    for (const auto& c : cases) {
        DecodedBitmap bitmap;
        ASSERT_EQ(decode(c.file.bytes(), bitmap), BmpFault::none) << c.name;
        EXPECT_EQ(bitmap.width, 3) << c.name;
        EXPECT_EQ(bitmap.height, 2) << c.name;
        EXPECT_EQ(bitmap.pixels, kPicture) << c.name;
    }
}

// RLE8 may leave pixels out (a jump, a row or the picture ended early): they come out transparent,
// and the key colour makes pixels transparent the same way.
TEST(BmpDecoding, PixelsLeftOutOrKeyedAreTransparent) {
    BmpFile file = rle8();
    file.pixels = {1, 2, 0, 0, 0, 2, 1, 0, 1, 1, 1, 0, 0, 1}; // C, end of row | jump 1 right; B, A; end
    DecodedBitmap bitmap;
    ASSERT_EQ(decode(file.bytes(), bitmap), BmpFault::none);
    EXPECT_EQ(bitmap.pixels, (std::vector<uint32_t>{0, B, A, C, 0, 0}));

    file = BmpFile{};
    file.palette[1] = 0xFFFFFF;
    ASSERT_EQ(decode(file.bytes(), bitmap), BmpFault::none);
    makeKeyColourTransparent(bitmap, 0xFFFFFF);
    EXPECT_EQ(bitmap.pixels, (std::vector<uint32_t>{A, 0, C, C, C, A}));
}

// The decoded rows are a Cairo image as they stand: drawn over an opaque background, the opaque
// pixels replace it and the keyed ones let it through.
TEST(BmpDecoding, RowsAreACairoImage) {
    BmpFile file;
    file.palette[1] = 0xFFFFFF;
    DecodedBitmap bitmap;
    ASSERT_EQ(decode(file.bytes(), bitmap), BmpFault::none);
    makeKeyColourTransparent(bitmap, 0xFFFFFF);
    ASSERT_EQ(bitmap.stride(), cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, bitmap.width));
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(bitmap.pixels.data()), CAIRO_FORMAT_ARGB32, bitmap.width,
        bitmap.height, bitmap.stride());
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.width, bitmap.height);
    cairo_t* cairo = cairo_create(target);
    cairo_set_source_rgb(cairo, 0.0, 1.0, 0.0);
    cairo_paint(cairo);
    cairo_set_source_surface(cairo, source, 0, 0);
    cairo_paint(cairo);
    cairo_surface_flush(target);
    std::vector<uint32_t> drawn;
    for (int y = 0; y < bitmap.height; ++y) {
        const unsigned char* row =
            cairo_image_surface_get_data(target) + y * cairo_image_surface_get_stride(target);
        for (int x = 0; x < bitmap.width; ++x) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, row + 4 * x, 4);
            drawn.push_back(pixel | 0xFF000000u);
        }
    }
    cairo_destroy(cairo);
    cairo_surface_destroy(target);
    cairo_surface_destroy(source);
    EXPECT_EQ(drawn, (std::vector<uint32_t>{A, 0xFF00FF00u, C, C, C, A}));
}

// Files that are not what they claim are refused with the fault they have, and never read or
// written out of bounds (the sanitizer build runs this too).
TEST(BmpDecoding, RefusesMalformedFiles) {
    using Change = std::function<void(BmpFile&)>;
    const auto plain = [](Change change) {
        BmpFile file;
        change(file);
        return file.bytes();
    };
    const auto rle = [](Bytes pixels) {
        BmpFile file = rle8();
        file.pixels = std::move(pixels);
        return file.bytes();
    };
    Bytes wrongMagic = BmpFile{}.bytes();
    wrongMagic[1] = 'N';
    const Bytes headersCutShort(wrongMagic.begin(), wrongMagic.begin() + 53);
    Bytes headerPastTheEnd = BmpFile{}.bytes();
    put32(headerPastTheEnd, 14, 1000);
    const struct {
        const char* name;
        Bytes bytes;
        BmpFault fault;
    } cases[] = {
        {"empty", {}, BmpFault::notBmp},
        {"headers cut short", headersCutShort, BmpFault::notBmp},
        {"wrong magic", wrongMagic, BmpFault::notBmp},
        {"core header", plain([](BmpFile& f) { f.headerSize = 12; }), BmpFault::unsupportedHeader},
        {"header past the end", headerPastTheEnd, BmpFault::unsupportedHeader},
        {"4 bits", plain([](BmpFile& f) { f.bits = 4; }), BmpFault::unsupportedFormat},
        {"32 bits", plain([](BmpFile& f) { f.bits = 32; }), BmpFault::unsupportedFormat},
        {"bit fields", plain([](BmpFile& f) { f.compression = 3; }), BmpFault::unsupportedFormat},
        {"24-bit RLE8", plain([](BmpFile& f) { f.bits = 24, f.compression = 1; }),
         BmpFault::unsupportedFormat},
        {"two planes", plain([](BmpFile& f) { f.planes = 2; }), BmpFault::unsupportedFormat},
        {"zero width", plain([](BmpFile& f) { f.width = 0; }), BmpFault::badSize},
        {"negative width", plain([](BmpFile& f) { f.width = -3; }), BmpFault::badSize},
        {"zero height", plain([](BmpFile& f) { f.height = 0; }), BmpFault::badSize},
        {"smallest height", plain([](BmpFile& f) { f.height = INT32_MIN; }), BmpFault::badSize},
        {"wide beyond limit", plain([](BmpFile& f) { f.width = kBmpLargestSide + 1; }), BmpFault::badSize},
        {"area beyond limit", plain([](BmpFile& f) { f.width = f.height = 5000; }), BmpFault::badSize},
        {"top-down RLE8", plain([](BmpFile& f) { f.compression = 1, f.height = -2; }), BmpFault::badSize},
        {"257 colours", plain([](BmpFile& f) { f.coloursUsed = 257; }), BmpFault::badPalette},
        {"palette longer than its room", plain([](BmpFile& f) { f.coloursUsed = 4; }), BmpFault::badPalette},
        {"pixels inside the headers", plain([](BmpFile& f) { f.pixelOffset = 20; }),
         BmpFault::badPixelOffset},
        {"pixels past the end", plain([](BmpFile& f) { f.pixelOffset = 75; }), BmpFault::badPixelOffset},
        {"last pixel missing", plain([](BmpFile& f) { f.pixels.resize(6); }), BmpFault::truncatedPixels},
        {"no pixel data", plain([](BmpFile& f) { f.pixels.clear(); }), BmpFault::truncatedPixels},
        {"24-bit row short", plain([](BmpFile& f) { f = direct24(2), f.pixels.resize(20); }),
         BmpFault::truncatedPixels},
        {"index beyond the palette", plain([](BmpFile& f) { f.pixels[5] = 3; }), BmpFault::badColourIndex},
        {"run past the row", rle({4, 2, 0, 1}), BmpFault::badRun},
        {"run after a full row", rle({3, 2, 1, 2, 0, 1}), BmpFault::badRun},
        {"block past the row", rle({0, 4, 0, 1, 2, 0, 0, 1}), BmpFault::badRun},
        {"block cut short", rle({0, 3, 0, 1}), BmpFault::truncatedPixels},
        {"no end of picture", rle({3, 2, 0, 0, 3, 1}), BmpFault::truncatedPixels},
        {"odd byte at the end", rle({3, 2, 0, 0, 3, 1, 0}), BmpFault::truncatedPixels},
        {"row beyond the top", rle({0, 0, 0, 0, 1, 1, 0, 1}), BmpFault::badRun},
        {"jump past the right", rle({1, 1, 0, 2, 3, 0, 0, 1}), BmpFault::badRun},
        {"jump past the top", rle({0, 2, 0, 2, 0, 1}), BmpFault::badRun},
        {"jump cut short", rle({0, 2, 1}), BmpFault::truncatedPixels},
        {"run of a missing colour", rle({3, 3, 0, 1}), BmpFault::badColourIndex},
        {"block of a missing colour", rle({0, 3, 0, 9, 1, 0, 0, 1}), BmpFault::badColourIndex},
    };
    for (const auto& c : cases) {
        DecodedBitmap bitmap;
        bitmap.width = 1;
        bitmap.pixels.assign(1, 1u);
        EXPECT_EQ(decode(c.bytes, bitmap), c.fault)
            << c.name << ": " << describeBmpFault(decode(c.bytes, bitmap));
        EXPECT_TRUE(bitmap.pixels.empty() && bitmap.width == 0 && bitmap.height == 0) << c.name;
    }
}

} // namespace
} // namespace tovrel
