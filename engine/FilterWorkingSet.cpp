#include "engine/FilterWorkingSet.h"

#include "engine/FilterSettings.h"

namespace tovrel {

bool FilterWorkingSet::adopt(std::uint64_t word) {
    using namespace filter_settings;
    const std::uint64_t before = settings;
    settings = word;
    // A new generation alone asks only for a clear history: the coefficients stay.
    if (levelOf(word) != levelOf(before) || rateOf(word) != rateOf(before))
        coefficients = designFilter(levelOf(word), rateOf(word)).coefficients;
    return clearsHistory(before, word);
}

} // namespace tovrel
