#include "lv2/CrossfeedLv2.h"

#include "plugin/ParameterMappings.h"
#include "plugin/ParameterMath.h"

#include <algorithm>
#include <cmath>

namespace tovrel {

namespace {

// The longest crossfade, whatever rate a host claims (10 ms at 384 kHz is 3840 frames).
constexpr double kLongestFade = 1 << 20;
// The filter takes at most this many frames per call.
constexpr uint32_t kLargestBlock = 1u << 30;

uint32_t fadeLengthAt(double sampleRate) {
    const double frames = std::floor(sampleRate * lv2::kBypassFadeSeconds + 0.5);
    // NaN and rates of a frame or less give a switch of one frame.
    if (!(frames >= 1.0))
        return 1;
    return static_cast<uint32_t>(std::min(frames, kLongestFade));
}

} // namespace

// The rate reaches the filter as the VST plug-in hands it over, so a rate the filter does not
// support falls back in the same way. The crossfade counts frames at the host's own rate.
CrossfeedLv2::CrossfeedLv2(double sampleRate) : fadeLength(fadeLengthAt(sampleRate)) {
    if (CrossfeedFilter* filter = engine.filter())
        filter->setSampleRate(sampleRateFromHost(static_cast<float>(sampleRate)));
}

void CrossfeedLv2::connectPort(uint32_t port, void* data) {
    if (port < lv2::kPortCount)
        ports[port] = static_cast<float*>(data);
}

// Activation starts a new stream, as the VST plug-in's resume does.
void CrossfeedLv2::activate() {
    if (CrossfeedFilter* filter = engine.filter())
        filter->clearHistory();
    fadePlaced = false;
}

void CrossfeedLv2::pushLevel(CrossfeedFilter& filter) {
    const float* feed = ports[lv2::kFeed];
    const float* cut = ports[lv2::kCut];
    const LevelWord level = feed && cut ? levelFromUnits(*feed, *cut) : kFallbackLevel;
    if (level == levelPushed)
        return;
    filter.setLevel(level);
    levelPushed = level;
}

void CrossfeedLv2::run(uint32_t frames) {
    CrossfeedFilter* filter = engine.filter();
    if (!filter || frames == 0)
        return;
    pushLevel(*filter);
    const float* enabled = ports[lv2::kEnabled];
    const uint32_t target = !enabled || *enabled > 0.5f ? fadeLength : 0;
    if (!fadePlaced) {
        fadePosition = target;
        fadePlaced = true;
    }
    uint32_t done = 0;
    while (done < frames) {
        const uint32_t left = frames - done;
        if (fadePosition == fadeLength && target == fadeLength) {
            // On: the filter writes the outputs directly, the VST plug-in's float path.
            const uint32_t n = std::min(left, kLargestBlock);
            filter->processBlockFloat(ports[lv2::kInputLeft] + done, ports[lv2::kInputRight] + done,
                                      ports[lv2::kOutputLeft] + done, ports[lv2::kOutputRight] + done,
                                      static_cast<int32_t>(n));
            done += n;
        } else {
            const uint32_t n = std::min(left, kChunkFrames);
            runFading(*filter, done, n, target);
            done += n;
        }
    }
}

// Off or switching: the filter writes into the scratch buffer, and each output frame mixes the
// input with it. Reading the input frame before writing the output frame lets the host hand the
// same buffer for both.
void CrossfeedLv2::runFading(CrossfeedFilter& filter, uint32_t offset, uint32_t frames, uint32_t target) {
    const float* in[2] = {ports[lv2::kInputLeft] + offset, ports[lv2::kInputRight] + offset};
    float* out[2] = {ports[lv2::kOutputLeft] + offset, ports[lv2::kOutputRight] + offset};
    filter.processBlockFloat(in[0], in[1], wet[0], wet[1], static_cast<int32_t>(frames));
    const float step = 1.0f / static_cast<float>(fadeLength);
    for (uint32_t i = 0; i < frames; ++i) {
        if (fadePosition < target)
            ++fadePosition;
        else if (fadePosition > target)
            --fadePosition;
        for (int channel = 0; channel < 2; ++channel) {
            const float dry = in[channel][i];
            const float processed = wet[channel][i];
            float mixed = dry;
            if (fadePosition == fadeLength)
                mixed = processed;
            else if (fadePosition != 0)
                mixed = dry + static_cast<float>(fadePosition) * step * (processed - dry);
            out[channel][i] = mixed;
        }
    }
}

} // namespace tovrel
