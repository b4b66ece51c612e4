#pragma once

#include "engine/CrossfeedEngine.h"
#include "engine/LevelWord.h"
#include "lv2/Lv2Ports.h"

#include <cstdint>

namespace tovrel {

// The crossfeed filter behind LV2's port interface: the host connects seven ports and calls run();
// the control ports are read at the start of each run and the level goes to the filter as the VST
// plug-in hands it over, so a change takes effect from the run's first frame.
//
// The "enabled" port (lv2:enabled) switches the effect off and on with a linear crossfade of
// fadeFrames() frames. The filter keeps running while the effect is off, so switching it on again
// joins the stream the filter would have produced without the interruption. While fully off the
// outputs are exactly the inputs; while fully on exactly the filter's outputs.
//
// run() allocates nothing, takes no lock and never waits: the crossfade mixes in a fixed scratch
// buffer in pieces of kChunkFrames.
class CrossfeedLv2 {
public:
    static constexpr uint32_t kChunkFrames = 256;

    explicit CrossfeedLv2(double sampleRate);

    // False if the filter state could not be allocated.
    bool ready() const { return engine.filter() != nullptr; }
    uint32_t fadeFrames() const { return fadeLength; }

    // The LV2 descriptor's operations, in its order.
    void connectPort(uint32_t port, void* data);
    void activate();
    void run(uint32_t frames);

private:
    void pushLevel(CrossfeedFilter& filter);
    void runFading(CrossfeedFilter& filter, uint32_t offset, uint32_t frames, uint32_t target);

    CrossfeedEngine engine;
    float* ports[lv2::kPortCount]{};
    // The last level handed to the filter; 0 before the first run (makeLevel(0, 0)), which the
    // filter would replace by the level it starts with anyway.
    LevelWord levelPushed{0};
    // Frames from dry to processed; the position runs from 0 (dry) to fadeLength (processed).
    uint32_t fadeLength{1};
    uint32_t fadePosition{0};
    // After activation the first run starts where the "enabled" port stands, without a crossfade.
    bool fadePlaced{false};
    float wet[2][kChunkFrames]{};
};

} // namespace tovrel
