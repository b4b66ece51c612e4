#pragma once

#include "host/VstAbi.h"

namespace tovrel {

// The yardstick of the frame-cost benchmark: nothing but the filter's serial dependency chain,
// x = x * b + c per channel, behind the same record-entry signatures as the plug-in's processing
// so that call costs compare. Any cost of the plug-in beyond this is overhead of its own.
class BareKernel {
public:
    explicit BareKernel(double feedback) : feedbackGain(feedback) { kernelRecord.object = this; }

    // A record whose entries run this kernel; the object field leads back here.
    AEffect* record() { return &kernelRecord; }
    void reset() { history[0] = history[1] = 0.0; }

    static void VST_CALL processDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                                int32_t sampleFrames);
    // Float in and out, the chain in double as in the plug-in.
    static void VST_CALL processReplacing(AEffect* effect, float** inputs, float** outputs,
                                          int32_t sampleFrames);

private:
    AEffect kernelRecord{};
    double feedbackGain{0.0};
    double history[2]{0.0, 0.0};
};

} // namespace tovrel
