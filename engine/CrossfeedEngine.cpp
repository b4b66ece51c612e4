#include "engine/CrossfeedEngine.h"

#include <new>

namespace tovrel {

// A new filter starts at the default rate and the fallback level with a clear history.
CrossfeedEngine::CrossfeedEngine() : state(new (std::nothrow) CrossfeedFilter{}) {}

CrossfeedEngine::~CrossfeedEngine() = default;

} // namespace tovrel
