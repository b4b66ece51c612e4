#pragma once

#include "engine/CoefficientDesign.h"

namespace tovrel::test {

// The filter's frame equations exactly as written, without the input guard, the subnormal flush or
// the clipping, on a history of their own: the yardstick that the engine tests hold the filter's
// results against, with coefficients taken from the filter's design.
struct PlainEquations {
    void run(const FilterCoefficients& c, double in0, double in1, double& out0, double& out1) {
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
