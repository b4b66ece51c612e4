#include "gui/platform/win32/PlatformEntries.h"

namespace tovrel {

AlphaBlendFunction alphaBlendEntry = nullptr;
TransparentBltFunction transparentBltEntry = nullptr;
OSVERSIONINFOA osVersion{};
bool buttonsSwapped = false;

} // namespace tovrel
