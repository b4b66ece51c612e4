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

// The keys the frame acts on itself: Tab and Shift+Tab walk the keyboard focus.
constexpr uint8_t kKeyTab = 2;
constexpr uint8_t kKeyModifierShift = 1;

} // namespace tovrel
