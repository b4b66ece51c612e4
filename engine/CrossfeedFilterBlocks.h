#pragma once

// The definition of CrossfeedFilter::processBlockObserved: for the filter's own source, which
// runs it with an observer that does nothing, and for tests that watch a block frame by frame.
#include "engine/CrossfeedFilter.h"
#include "engine/KernelAvx2.h"
#include "engine/KernelSse2.h"

namespace tovrel {

// Deliberate: whole blocks with the history in registers (docs/deliberate-choices.md).
template <typename Sample, typename Observer>
void CrossfeedFilter::processBlockObserved(BlockPath path, Observer& observer, const Sample* in0,
                                           const Sample* in1, Sample* out0, Sample* out1,
                                           std::int32_t frames) {
#if TOVREL_HAS_AVX2_PATH
    if (path == BlockPath::avx2 && frames >= kernel::kShortestAvx2Block) {
        kernel::runBlockAvx2(settings, work, observer, in0, in1, out0, out1, frames);
        return;
    }
#else
    (void)path;
#endif
    kernel::runBlockSse2(settings, work, observer, in0, in1, out0, out1, frames);
}

} // namespace tovrel
