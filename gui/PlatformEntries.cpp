#include "gui/PlatformEntries.h"

namespace tovrel {

AlphaBlendFunction alphaBlendEntry = nullptr;
TransparentBltFunction transparentBltEntry = nullptr;
OSVERSIONINFOA osVersion{};
bool buttonsSwapped = false;

} // namespace tovrel
