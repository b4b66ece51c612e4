#pragma once

namespace tovrel::test {

// The filter's frame equations exactly as written, without the input guard, the subnormal flush or
// the clipping, on a history of their own: the yardstick that the engine tests hold the filter's
// results against. `Coefficients` is anything with the six coefficient fields (the filter itself
// or one published coefficient set).
struct PlainEquations {
    template <typename Coefficients>
    void run(const Coefficients& c, double in0, double in1, double& out0, double& out1) {
        lastLow[0] = lastLow[0] * c.lowB1 + in0 * c.lowA0;
        lastLow[1] = lastLow[1] * c.lowB1 + in1 * c.lowA0;
        lastHigh[0] = lastInput[0] * c.highA1 + c.highA0 * in0 + lastHigh[0] * c.highB1;
        lastHigh[1] = lastInput[1] * c.highA1 + c.highA0 * in1 + lastHigh[1] * c.highB1;
        lastInput[0] = in0;
        lastInput[1] = in1;
        out0 = (lastHigh[0] + lastLow[1]) * c.gain;
        out1 = (lastHigh[1] + lastLow[0]) * c.gain;
    }

    double lastInput[2] = {0.0, 0.0};
    double lastLow[2] = {0.0, 0.0};
    double lastHigh[2] = {0.0, 0.0};
};

} // namespace tovrel::test
