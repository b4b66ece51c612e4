#pragma once

#include <cstdint>

namespace tovrel::test {

// What the X11 test host's test editor paints, shared by it and the tests that read it back.
inline constexpr int kEditorWidth = 200;
inline constexpr int kEditorHeight = 150;
// The automation index with which the test editor reports a key press.
inline constexpr int32_t kKeyIndex = 6;

// 0x00RRGGBB at (x, y): red grows to the right, green downwards, blue along the diagonal, so a
// picture shifted, flipped or cut by a pixel does not match.
inline uint32_t testPattern(int x, int y) {
    return static_cast<uint32_t>((x * 5) & 0xFF) << 16 | static_cast<uint32_t>((y * 3) & 0xFF) << 8 |
           static_cast<uint32_t>((x + 2 * y) & 0xFF);
}

} // namespace tovrel::test
