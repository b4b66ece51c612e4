#pragma once

#include "gui/CPos.h"
#include "gui/CScale.h"
#include "gui/platform/PlatformTypes.h"

#include <cstdint>

namespace tovrel {

// The editor's size as the user chose it: a scale that every editor of every instance takes,
// today and in later sessions, or 0 to follow the screen's scale. Kept among the user's settings
// of the plug-in (gui/platform/PlatformSettings.h: on Windows the user's part of the registry).
namespace ScaleChoice {

// The kept choice: a scale's percentage, or 0 (also when nothing is kept or what is kept is not
// one of the scales offered).
int32_t kept();
// Keeps a percentage, or 0 to follow the screen; false when the platform refuses.
bool keep(int32_t percent);
// The scale an editor takes on a screen of `screen`'s scale.
CScale scaleOn(const CScale& screen);

// Offers the sizes and "follow the screen" in a menu at `screenPoint` (device pixels), the kept
// choice checked. Returns what the user chose (a percentage or 0), or -1 when the menu was
// dismissed. The menu runs its own event loop until it closes.
int32_t ask(NativeWindow owner, CPos screenPoint);

} // namespace ScaleChoice

} // namespace tovrel
