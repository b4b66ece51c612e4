#include "engine/CrossfeedFilter.h"

#include "engine/CrossfeedFilterBlocks.h"

namespace tovrel {

// Each setter validates first, then changes its own field inside the compare-and-swap: a retry
// (another setter landed meanwhile) recomputes from the new word and keeps that setter's fields.
void CrossfeedFilter::setLevel(LevelWord level) {
    const LevelWord valid = validLevel(level);
    settings.update([valid](std::uint64_t word) { return filter_settings::withLevel(word, valid); });
}

// The rate asked for is compared with the rate in force, which is always valid: so the rate in
// force again changes nothing, and an invalid rate always counts as a change to 44100 Hz.
void CrossfeedFilter::setSampleRate(std::uint32_t rate) {
    const std::uint32_t valid = validSampleRate(rate);
    settings.update([rate, valid](std::uint64_t word) {
        return rate == filter_settings::rateOf(word) ? word : filter_settings::withNewRate(word, valid);
    });
}

void CrossfeedFilter::clearHistory() {
    settings.update([](std::uint64_t word) { return filter_settings::withClearRequest(word); });
}

CrossfeedFilter::CoefficientSet CrossfeedFilter::currentSet() const {
    const std::uint64_t word = settings.load();
    const FilterDesign design = designFilter(filter_settings::levelOf(word), filter_settings::rateOf(word));
    return {design.coefficients, filter_settings::generationOf(word)};
}

void CrossfeedFilter::processBlockOn(BlockPath path, const double* in0, const double* in1, double* out0,
                                     double* out1, std::int32_t frames) {
    kernel::NoFrameObserver none;
    processBlockObserved(path, none, in0, in1, out0, out1, frames);
}

void CrossfeedFilter::processBlockFloatOn(BlockPath path, const float* in0, const float* in1, float* out0,
                                          float* out1, std::int32_t frames) {
    kernel::NoFrameObserver none;
    processBlockObserved(path, none, in0, in1, out0, out1, frames);
}

} // namespace tovrel
