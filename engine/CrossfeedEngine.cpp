#include "engine/CrossfeedEngine.h"

#include <new>

namespace tovrel {

CrossfeedEngine::CrossfeedEngine() : m_filter(new (std::nothrow) CrossfeedFilter{}) {
    if (!m_filter)
        return;
    // The fresh state holds level 0 and rate 0; setting the default rate computes the
    // coefficients, which installs the fallback level, and clears the history.
    m_filter->setSampleRate(kDefaultSampleRate);
}

CrossfeedEngine::~CrossfeedEngine() {
    delete m_filter;
}

} // namespace tovrel
