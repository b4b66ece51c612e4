#pragma once

#include "engine/CoefficientDesign.h"
#include "engine/FilterHistory.h"

#include <cstdint>

namespace tovrel {

// What the audio thread computes with, and only it: the settings word it last took up, the
// coefficients designed for that word, and the history. Nothing here is shared with writers,
// so nothing a writer does can tear it or be undone by the audio thread's stores.
struct FilterWorkingSet {
    // Takes up a settings word that differs from the one held: designs the coefficients anew if
    // the level or the rate changed (the only place the audio thread computes transcendentals),
    // and returns whether the history must start clear. Out of line: it runs only on a change.
    bool adopt(std::uint64_t word);

    // Rate 0 is no word a writer installs, so the first frame always takes up the settings.
    std::uint64_t settings{0};
    FilterCoefficients coefficients;
    FilterHistory history;
};

} // namespace tovrel
