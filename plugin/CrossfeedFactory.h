#pragma once

#include "host/VstAbi.h"
#include "plugin/CrossfeedEffect.h"

#include <memory>

namespace tovrel {

// The effect a host gets from the library: with its editor attached where the build has a window
// system for it (the Windows library), without one elsewhere. Null when memory runs out.
std::unique_ptr<CrossfeedEffect> makeCrossfeedEffect(HostCallback callback);

} // namespace tovrel
