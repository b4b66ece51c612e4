#pragma once

namespace tovrel {

// The crossfeed filter's memory of the frames before: per channel the last input and the last
// outputs of its low-pass and high-boost sections. All zero is the clear history of silence.
struct FilterHistory {
    double lastInput[2]{0.0, 0.0};
    double lastLow[2]{0.0, 0.0};
    double lastHigh[2]{0.0, 0.0};
};

} // namespace tovrel
