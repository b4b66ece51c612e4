#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovrel {

// A picture read from a PNG file: 0x00RRGGBB pixels, row by row from the top, as PngWriter
// takes them.
struct PngPicture {
    int32_t width{0};
    int32_t height{0};
    std::vector<uint32_t> pixels;

    uint32_t at(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// Reads an 8-bit RGB or RGBA, non-interlaced PNG (alpha dropped); false with `error` set for
// anything else or a damaged file.
bool readPng(const std::string& path, PngPicture& picture, std::string& error);

} // namespace tovrel
