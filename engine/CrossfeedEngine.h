#pragma once

#include "engine/CrossfeedFilter.h"

#include <memory>

namespace tovrel {

// Owns the heap-allocated filter state of one effect. The state starts at 44100 Hz with the
// fallback level (730 Hz, 6.2 dB) and a clear history.
class CrossfeedEngine {
public:
    CrossfeedEngine();
    virtual ~CrossfeedEngine();

    CrossfeedEngine(const CrossfeedEngine&) = delete;
    CrossfeedEngine& operator=(const CrossfeedEngine&) = delete;

    // Null only if the state could not be allocated.
    CrossfeedFilter* filter() const { return state.get(); }

private:
    std::unique_ptr<CrossfeedFilter> state;
};

} // namespace tovrel
