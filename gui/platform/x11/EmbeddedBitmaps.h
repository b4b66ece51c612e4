#pragma once

#include <cstddef>
#include <cstdint>

namespace tovrel {

// A bitmap file of the editor as it lies in resources/, carried inside the library under the
// number the Windows resource script gives it (128 background, 129 slider track, 130 handle, the
// scaled pictures at number + 1000 * (percent / 25 - 4)). The bytes are the whole .bmp file.
struct EmbeddedBitmap {
    int32_t resourceNumber;
    const uint8_t* data;
    size_t size;
};

// The bitmap numbered `resourceNumber`; null when the resource script lists none.
const EmbeddedBitmap* findEmbeddedBitmap(int32_t resourceNumber);

// Every embedded bitmap, in increasing order of number (written by embed_bitmaps.cmake).
const EmbeddedBitmap* embeddedBitmapsBegin();
const EmbeddedBitmap* embeddedBitmapsEnd();

} // namespace tovrel
