#include "tools/snapshot/PngWriter.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace tovrel {
namespace {

uint32_t big32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG into its chunks, checking each chunk's CRC on the way.
std::vector<Chunk> chunksOf(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = big32(&png[at]);
        Chunk chunk;
        chunk.type.assign(reinterpret_cast<const char*>(&png[at + 4]), 4);
        chunk.data.assign(png.begin() + static_cast<ptrdiff_t>(at + 8),
                          png.begin() + static_cast<ptrdiff_t>(at + 8 + length));
        EXPECT_EQ(big32(&png[at + 8 + length]), pngCrc32(&png[at + 4], 4 + length)) << chunk.type;
        chunks.push_back(chunk);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

// Undoes the stored deflate blocks of an image stream.
std::vector<uint8_t> inflateStored(const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> raw;
    size_t at = 2;
    bool final = false;
    while (!final && at + 5 <= stream.size()) {
        final = stream[at] & 1;
        EXPECT_EQ(stream[at] & 6, 0) << "not a stored block";
        const uint16_t length = static_cast<uint16_t>(stream[at + 1] | (stream[at + 2] << 8));
        const uint16_t inverse = static_cast<uint16_t>(stream[at + 3] | (stream[at + 4] << 8));
        EXPECT_EQ(static_cast<uint16_t>(~length), inverse);
        raw.insert(raw.end(), stream.begin() + static_cast<ptrdiff_t>(at + 5),
                   stream.begin() + static_cast<ptrdiff_t>(at + 5 + length));
        at += 5 + length;
    }
    EXPECT_TRUE(final);
    EXPECT_EQ(big32(&stream[at]), pngAdler32(raw.data(), raw.size()));
    return raw;
}

TEST(PngWriter, ChecksumsMatchTheirPublishedCheckValues) {
    const char* digits = "123456789";
    EXPECT_EQ(pngCrc32(reinterpret_cast<const uint8_t*>(digits), 9), 0xCBF43926u);
    const char* word = "Wikipedia";
    EXPECT_EQ(pngAdler32(reinterpret_cast<const uint8_t*>(word), 9), 0x11E60398u);
}

TEST(PngWriter, SmallImageRoundTrips) {
    const std::vector<uint32_t> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x1C1E23, 0xDDE9F6, 0x000000};
    const std::vector<uint8_t> png = encodePng(pixels, 3, 2);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    const auto chunks = chunksOf(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(big32(&chunks[0].data[0]), 3u);
    EXPECT_EQ(big32(&chunks[0].data[4]), 2u);
    EXPECT_EQ(chunks[0].data[8], 8);
    EXPECT_EQ(chunks[0].data[9], 2);
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    const std::vector<uint8_t> raw = inflateStored(chunks[1].data);
    const std::vector<uint8_t> expected = {0, 255, 0,  0,  0,   255, 0,   0, 0, 255,
                                           0, 28,  30, 35, 221, 233, 246, 0, 0, 0};
    EXPECT_EQ(raw, expected);
}

TEST(PngWriter, LargeImageSpansSeveralBlocks) {
    const int width = 183, height = 225;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    const auto chunks = chunksOf(encodePng(pixels, width, height));
    ASSERT_EQ(chunks.size(), 3u);
    const std::vector<uint8_t> raw = inflateStored(chunks[1].data);
    ASSERT_EQ(raw.size(), static_cast<size_t>(height) * (1 + 3 * width));
    const size_t row = 100, column = 50;
    const uint32_t pixel = pixels[row * width + column];
    const uint8_t* rgb = &raw[row * (1 + 3 * width) + 1 + 3 * column];
    EXPECT_EQ(rgb[0], pixel >> 16);
    EXPECT_EQ(rgb[1], (pixel >> 8) & 0xFF);
    EXPECT_EQ(rgb[2], pixel & 0xFF);
}

} // namespace
} // namespace tovrel
