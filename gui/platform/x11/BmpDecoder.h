#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovrel {

// A decoded picture in the layout Cairo's image surfaces take (CAIRO_FORMAT_ARGB32, and RGB24,
// which ignores the top byte): one 32-bit word per pixel, 0xAARRGGBB in the machine's byte
// order, alpha premultiplied, rows from the top. Rows are packed, so the stride is width * 4
// bytes, always a multiple of 4 as Cairo requires (cairo_format_stride_for_width gives the same
// for both formats).
struct DecodedBitmap {
    int32_t width{0};
    int32_t height{0};
    std::vector<uint32_t> pixels;

    int32_t stride() const { return width * 4; }
    uint32_t at(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// Why a file was refused; none when it decoded.
enum class BmpFault {
    none,
    notBmp,            // no "BM" file header, or shorter than the headers
    unsupportedHeader, // not a BITMAPINFOHEADER or one of its longer successors
    unsupportedFormat, // other than 8-bit palette (uncompressed or RLE8) or 24-bit uncompressed
    badSize,           // zero, negative or absurd width or height, or a top-down RLE8 picture
    badPalette,        // more entries than the bits allow, or not inside the file before the pixels
    badPixelOffset,    // the pixels start inside the headers or past the end of the file
    truncatedPixels,   // fewer pixel bytes than the rows need, or RLE8 data ending mid-code
    badColourIndex,    // a pixel names a palette entry the file does not have
    badRun,            // an RLE8 run or jump past its row or past the last row
};

// The largest picture accepted, in pixels along a side and in all: far beyond any editor, small
// enough that a lying header cannot make the decoder allocate without bound.
inline constexpr int32_t kBmpLargestSide = 16384;
inline constexpr int64_t kBmpLargestArea = int64_t{1} << 24;

// Decodes a whole .bmp file: 8-bit palette pictures, uncompressed or BI_RLE8, and 24-bit
// uncompressed ones, stored bottom-up or (uncompressed only) top-down. Every pixel comes out
// opaque, except the pixels an RLE8 picture leaves undefined (skipped by a jump, or left at the
// end of a row or of the picture), which come out fully transparent. On a fault returns it and
// leaves `bitmap` empty; never reads outside [data, data + size).
BmpFault decodeBmp(const uint8_t* data, size_t size, DecodedBitmap& bitmap);

// A short English description of a fault, for logs.
const char* describeBmpFault(BmpFault fault);

// Makes every pixel of colour 0xRRGGBB fully transparent (0 in premultiplied ARGB): the editor's
// pictures use pure white as their transparent colour.
void makeKeyColourTransparent(DecodedBitmap& bitmap, uint32_t keyRgb);

} // namespace tovrel
