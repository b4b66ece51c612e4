#pragma once

#include "gui/CPos.h"
#include "gui/platform/PlatformTypes.h"

#include <cstdint>

namespace tovrel {

// One line of a popup menu: a text with a non-zero command number, or a separator (no text).
struct PlatformMenuItem {
    const char* text{nullptr};
    int32_t command{0};
    bool checked{false};
};

// Shows the items in a menu at `screenPoint` (device pixels) over `owner`, and waits until the
// user chooses or dismisses it; the host's events go on meanwhile. Returns the chosen command, 0
// when dismissed.
int32_t popupMenu(NativeWindow owner, CPos screenPoint, const PlatformMenuItem* items, int32_t count);

} // namespace tovrel
