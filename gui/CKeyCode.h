#pragma once

#include <cstdint>

namespace tovrel {

// A key as the editor's window receives it from the host: the character, the virtual key number
// and the modifier bits, with the host's numbering.
struct CKeyCode {
    int32_t character;
    uint8_t virt;
    uint8_t modifier;
};

// The host's virtual key numbers and modifier bit that the toolkit acts on: Tab and Shift+Tab walk
// the keyboard focus, and the arrow keys step a slider (a tenth of a step with Shift).
constexpr uint8_t kKeyTab = 2;
constexpr uint8_t kKeyLeft = 11;
constexpr uint8_t kKeyUp = 12;
constexpr uint8_t kKeyRight = 13;
constexpr uint8_t kKeyDown = 14;
constexpr uint8_t kKeyModifierShift = 1;

} // namespace tovrel
