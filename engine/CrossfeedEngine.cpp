#include "engine/CrossfeedEngine.h"

#include <new>

namespace tovrel {

CrossfeedEngine::CrossfeedEngine() : state(new (std::nothrow) CrossfeedFilter{}) {
    if (!state)
        return;
    // The fresh state holds level 0 and rate 0; setting the default rate computes the
    // coefficients, which installs the fallback level, and clears the history.
    state->setSampleRate(kDefaultSampleRate);
}

CrossfeedEngine::~CrossfeedEngine() = default;

} // namespace tovrel
