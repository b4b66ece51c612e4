#include "bench/BareKernel.h"

namespace tovrel {

void VST_CALL BareKernel::processDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                                 int32_t sampleFrames) {
    auto* self = static_cast<BareKernel*>(effect->object);
    const double b = self->feedbackGain;
    double x0 = self->history[0];
    double x1 = self->history[1];
    const double* in0 = inputs[0];
    const double* in1 = inputs[1];
    double* out0 = outputs[0];
    double* out1 = outputs[1];
    for (int32_t i = 0; i < sampleFrames; ++i) {
        x0 = x0 * b + in0[i];
        x1 = x1 * b + in1[i];
        out0[i] = x0;
        out1[i] = x1;
    }
    self->history[0] = x0;
    self->history[1] = x1;
}

void VST_CALL BareKernel::processReplacing(AEffect* effect, float** inputs, float** outputs,
                                           int32_t sampleFrames) {
    auto* self = static_cast<BareKernel*>(effect->object);
    const double b = self->feedbackGain;
    double x0 = self->history[0];
    double x1 = self->history[1];
    const float* in0 = inputs[0];
    const float* in1 = inputs[1];
    float* out0 = outputs[0];
    float* out1 = outputs[1];
    for (int32_t i = 0; i < sampleFrames; ++i) {
        x0 = x0 * b + static_cast<double>(in0[i]);
        x1 = x1 * b + static_cast<double>(in1[i]);
        out0[i] = static_cast<float>(x0);
        out1[i] = static_cast<float>(x1);
    }
    self->history[0] = x0;
    self->history[1] = x1;
}

} // namespace tovrel
