// Builds without a window system (the native Linux library) make the effect alone.
#include "plugin/CrossfeedFactory.h"

#include <new>

namespace tovrel {

std::unique_ptr<CrossfeedEffect> makeCrossfeedEffect(HostCallback callback) {
    return std::unique_ptr<CrossfeedEffect>(new (std::nothrow) CrossfeedEffect(callback));
}

} // namespace tovrel
