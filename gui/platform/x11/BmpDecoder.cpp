#include "gui/platform/x11/BmpDecoder.h"

#include <limits>
#include <utility>

namespace tovrel {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kRgb = 0x00FFFFFFu;

uint32_t read16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}
uint32_t read32(const uint8_t* p) {
    return read16(p) | read16(p + 2) << 16;
}
int32_t readSigned32(const uint8_t* p) {
    const uint32_t value = read32(p);
    return value <= 0x7FFFFFFFu ? static_cast<int32_t>(value) : -static_cast<int32_t>(~value) - 1;
}

struct Header {
    size_t pixelOffset{0};
    size_t headerSize{0};
    int32_t width{0};
    int32_t height{0};
    bool topDown{false};
    uint32_t bitsPerPixel{0};
    uint32_t compression{0};
    uint32_t coloursUsed{0};
};

constexpr uint32_t kUncompressed = 0;
constexpr uint32_t kRle8 = 1;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

BmpFault readHeader(const uint8_t* data, size_t size, Header& header) {
    if (size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M')
        return BmpFault::notBmp;
    header.pixelOffset = read32(data + 10);
    header.headerSize = read32(data + kFileHeaderSize);
    // 40 is BITMAPINFOHEADER; 52, 56, 108 and 124 add fields after it that an 8- or 24-bit
    // picture without bit fields does not need.
    if (header.headerSize < kInfoHeaderSize || header.headerSize > size - kFileHeaderSize)
        return BmpFault::unsupportedHeader;
    const uint8_t* info = data + kFileHeaderSize;
    const int32_t width = readSigned32(info + 4);
    const int32_t height = readSigned32(info + 8);
    const uint32_t planes = read16(info + 12);
    header.bitsPerPixel = read16(info + 14);
    header.compression = read32(info + 16);
    header.coloursUsed = read32(info + 32);
    const bool palette8 =
        header.bitsPerPixel == 8 && (header.compression == kUncompressed || header.compression == kRle8);
    const bool direct24 = header.bitsPerPixel == 24 && header.compression == kUncompressed;
    if (planes != 1 || !(palette8 || direct24))
        return BmpFault::unsupportedFormat;
    header.topDown = height < 0;
    // The smallest int32_t has no positive counterpart; it is refused with the other absurd heights.
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min() ||
        (header.topDown && header.compression == kRle8))
        return BmpFault::badSize;
    header.width = width;
    header.height = header.topDown ? -height : height;
    if (header.width > kBmpLargestSide || header.height > kBmpLargestSide ||
        int64_t{header.width} * header.height > kBmpLargestArea)
        return BmpFault::badSize;
    return BmpFault::none;
}

// Reads the palette, which lies between the headers and the pixels, into opaque ARGB words;
// entries past the file's own count stay absent.
BmpFault readPalette(const uint8_t* data, const Header& header, std::vector<uint32_t>& palette) {
    if (header.bitsPerPixel != 8)
        return BmpFault::none;
    const size_t entries = header.coloursUsed == 0 ? 256 : header.coloursUsed;
    const size_t start = kFileHeaderSize + header.headerSize;
    if (entries > 256 || (header.pixelOffset - start) / 4 < entries)
        return BmpFault::badPalette;
    palette.resize(entries);
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* entry = data + start + 4 * i;
        palette[i] =
            kOpaque | static_cast<uint32_t>(entry[2]) << 16 | static_cast<uint32_t>(entry[1]) << 8 | entry[0];
    }
    return BmpFault::none;
}

BmpFault decodeUncompressed(const uint8_t* pixels, size_t available, const Header& header,
                            const std::vector<uint32_t>& palette, DecodedBitmap& bitmap) {
    const size_t width = static_cast<size_t>(header.width);
    const size_t bytesPerPixel = header.bitsPerPixel / 8;
    const size_t stride = (width * bytesPerPixel + 3) / 4 * 4;
    const size_t height = static_cast<size_t>(header.height);
    // The last row needs only its pixels, not its padding.
    if (available / stride < height - 1 || available - stride * (height - 1) < width * bytesPerPixel)
        return BmpFault::truncatedPixels;
    for (size_t row = 0; row < height; ++row) {
        const uint8_t* source = pixels + row * stride;
        const size_t y = header.topDown ? row : height - 1 - row;
        uint32_t* target = bitmap.pixels.data() + y * width;
        for (size_t x = 0; x < width; ++x) {
            if (bytesPerPixel == 1) {
                if (source[x] >= palette.size())
                    return BmpFault::badColourIndex;
                target[x] = palette[source[x]];
            } else {
                const uint8_t* bgr = source + 3 * x;
                target[x] = kOpaque | static_cast<uint32_t>(bgr[2]) << 16 |
                            static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
            }
        }
    }
    return BmpFault::none;
}

// BI_RLE8: pairs (count > 0, index) repeat one index; (0, 0) ends the row, (0, 1) the picture,
// (0, 2, dx, dy) jumps right and up; (0, n >= 3) is followed by n indices, padded to an even
// length. Rows run from the bottom. The target starts transparent, which is what the pixels
// that the data never reaches keep.
BmpFault decodeRle8(const uint8_t* data, size_t available, const Header& header,
                    const std::vector<uint32_t>& palette, DecodedBitmap& bitmap) {
    const size_t width = static_cast<size_t>(header.width);
    const size_t height = static_cast<size_t>(header.height);
    size_t x = 0;
    size_t row = 0; // from the bottom
    size_t i = 0;
    auto put = [&](uint8_t index) {
        bitmap.pixels[(height - 1 - row) * width + x] = palette[index];
        ++x;
    };
    while (true) {
        if (available - i < 2)
            return BmpFault::truncatedPixels;
        const uint8_t count = data[i];
        const uint8_t code = data[i + 1];
        i += 2;
        if (count == 0 && code == 1)
            return BmpFault::none;
        if (count == 0 && code == 0) {
            x = 0;
            ++row;
            continue;
        }
        // Any other code writes or moves within a row, which must exist.
        if (row >= height)
            return BmpFault::badRun;
        if (count > 0) {
            if (count > width - x)
                return BmpFault::badRun;
            if (code >= palette.size())
                return BmpFault::badColourIndex;
            for (uint8_t n = 0; n < count; ++n)
                put(code);
        } else if (code == 2) {
            if (available - i < 2)
                return BmpFault::truncatedPixels;
            const size_t right = data[i];
            const size_t up = data[i + 1];
            i += 2;
            if (right > width - x || up > height - 1 - row)
                return BmpFault::badRun;
            x += right;
            row += up;
        } else {
            const size_t length = code;
            if (length > width - x)
                return BmpFault::badRun;
            if (available - i < length)
                return BmpFault::truncatedPixels;
            for (size_t n = 0; n < length; ++n) {
                if (data[i + n] >= palette.size())
                    return BmpFault::badColourIndex;
                put(data[i + n]);
            }
            // The padding byte of an odd block may be missing at the very end of the data.
            i += length + (length & 1u);
            if (i > available)
                i = available;
        }
    }
}

} // namespace

BmpFault decodeBmp(const uint8_t* data, size_t size, DecodedBitmap& bitmap) {
    bitmap = DecodedBitmap{};
    if (data == nullptr)
        return BmpFault::notBmp;
    Header header;
    BmpFault fault = readHeader(data, size, header);
    if (fault == BmpFault::none &&
        (header.pixelOffset < kFileHeaderSize + header.headerSize || header.pixelOffset > size))
        fault = BmpFault::badPixelOffset;
    std::vector<uint32_t> palette;
    if (fault == BmpFault::none)
        fault = readPalette(data, header, palette);
    if (fault != BmpFault::none)
        return fault;

    DecodedBitmap decoded;
    decoded.width = header.width;
    decoded.height = header.height;
    // Uncompressed data is checked for length before this allocation, so only an RLE8 header can
    // ask for memory its data does not back, and the size limits bound that.
    const size_t available = size - header.pixelOffset;
    decoded.pixels.assign(static_cast<size_t>(header.width) * static_cast<size_t>(header.height), 0u);
    const uint8_t* pixels = data + header.pixelOffset;
    fault = header.compression == kRle8 ? decodeRle8(pixels, available, header, palette, decoded)
                                        : decodeUncompressed(pixels, available, header, palette, decoded);
    if (fault == BmpFault::none)
        bitmap = std::move(decoded);
    return fault;
}

const char* describeBmpFault(BmpFault fault) {
    switch (fault) {
    case BmpFault::none:
        return "no fault";
    case BmpFault::notBmp:
        return "not a BMP file";
    case BmpFault::unsupportedHeader:
        return "unsupported information header";
    case BmpFault::unsupportedFormat:
        return "neither 8-bit palette (uncompressed or RLE8) nor 24-bit uncompressed";
    case BmpFault::badSize:
        return "zero, negative or too large width or height";
    case BmpFault::badPalette:
        return "palette too long or outside the file";
    case BmpFault::badPixelOffset:
        return "pixel data offset outside the file";
    case BmpFault::truncatedPixels:
        return "pixel data ends early";
    case BmpFault::badColourIndex:
        return "colour index beyond the palette";
    case BmpFault::badRun:
        return "RLE8 run or jump beyond its row or the picture";
    }
    return "unknown fault";
}

void makeKeyColourTransparent(DecodedBitmap& bitmap, uint32_t keyRgb) {
    for (uint32_t& pixel : bitmap.pixels)
        if (pixel >> 24 == 0xFF && (pixel & kRgb) == (keyRgb & kRgb))
            pixel = 0;
}

} // namespace tovrel
