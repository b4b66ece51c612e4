#pragma once

#include "host/VstAbi.h"

namespace tovrel {

// The yardstick of the frame-cost benchmark: nothing but the filter's serial dependency chain,
// x = x * b + c per channel, behind the same record-entry signatures as the plug-in's processing
// so that call costs compare. Any cost of the plug-in beyond this is overhead of its own.
class BareKernel {
public:
    explicit BareKernel(double feedback) : m_feedback(feedback) { m_record.object = this; }

    // A record whose entries run this kernel; the object field leads back here.
    AEffect* record() { return &m_record; }
    void reset() { m_x[0] = m_x[1] = 0.0; }

    static void VST_CALL processDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                                int32_t sampleFrames);
    // Float in and out, the chain in double as in the plug-in.
    static void VST_CALL processReplacing(AEffect* effect, float** inputs, float** outputs,
                                          int32_t sampleFrames);

private:
    AEffect m_record{};
    double m_feedback{0.0};
    double m_x[2]{0.0, 0.0};
};

} // namespace tovrel
