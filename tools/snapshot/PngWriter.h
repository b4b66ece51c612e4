#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovrel {

// Encodes 0x00RRGGBB pixels, row by row from the top, as an 8-bit RGB PNG. The image data is
// stored uncompressed (deflate's stored blocks): snapshots are small and need no library.
std::vector<uint8_t> encodePng(const std::vector<uint32_t>& pixels, int width, int height);

bool writePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);

// Checksums of the format, exposed for the tests.
uint32_t pngCrc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t pngAdler32(const uint8_t* data, size_t size);

} // namespace tovrel
