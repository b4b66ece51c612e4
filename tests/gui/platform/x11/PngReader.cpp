#include "tests/gui/platform/x11/PngReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tovrel {

namespace {

uint32_t big32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
}

} // namespace

bool readPng(const std::string& path, PngPicture& picture, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, bytes.begin())) {
        error = "not a PNG file: " + path;
        return false;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    size_t channels = 0;
    std::vector<uint8_t> compressed;
    for (size_t at = 8; at + 12 <= bytes.size();) {
        const uint32_t length = big32(&bytes[at]);
        if (length > bytes.size() - at - 12) {
            error = "truncated chunk";
            return false;
        }
        const std::string type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
        const uint8_t* data = &bytes[at + 8];
        if (type == "IHDR" && length >= 13) {
            width = big32(data);
            height = big32(data + 4);
            const uint8_t depth = data[8];
            const uint8_t colour = data[9];
            if (depth != 8 || (colour != 2 && colour != 6) || data[12] != 0 || width == 0 || height == 0 ||
                width > 16384 || height > 16384) {
                error = "not an 8-bit RGB(A) non-interlaced picture";
                return false;
            }
            channels = colour == 2 ? 3 : 4;
        } else if (type == "IDAT")
            compressed.insert(compressed.end(), data, data + length);
        at += 12 + length;
    }
    if (channels == 0) {
        error = "no header";
        return false;
    }
    const size_t rowBytes = channels * width;
    std::vector<uint8_t> raw((rowBytes + 1) * height);
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK ||
        rawSize != raw.size()) {
        error = "damaged image data";
        return false;
    }
    std::vector<uint8_t> previous(rowBytes, 0);
    std::vector<uint8_t> row(rowBytes);
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.pixels.assign(static_cast<size_t>(width) * height, 0);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* line = &raw[y * (rowBytes + 1)];
        const uint8_t filter = line[0];
        for (size_t x = 0; x < rowBytes; ++x) {
            const int a = x >= channels ? row[x - channels] : 0;
            const int b = previous[x];
            const int c = x >= channels ? previous[x - channels] : 0;
            int predicted = 0;
            switch (filter) {
            case 0:
                predicted = 0;
                break;
            case 1:
                predicted = a;
                break;
            case 2:
                predicted = b;
                break;
            case 3:
                predicted = (a + b) / 2;
                break;
            case 4:
                predicted = paeth(a, b, c);
                break;
            default:
                error = "unknown row filter";
                return false;
            }
            row[x] = static_cast<uint8_t>(line[1 + x] + predicted);
        }
        for (size_t x = 0; x < width; ++x) {
            const uint8_t* p = &row[x * channels];
            picture.pixels[y * width + x] = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
        }
        previous.swap(row);
    }
    return true;
}

} // namespace tovrel
