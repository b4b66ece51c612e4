#include "plugin/CrossfeedEffect.h"

#include "host/PluginEditor.h"
#include "plugin/ParameterMath.h"
#include "plugin/Presets.h"

#include <cstdio>

namespace tovrel {

namespace {

constexpr const char* kEffectName = "hxF2";
constexpr const char* kProductString = "Orvalen Headphones Crossfeed (Bauer Stereophonic-to-Binaural)";
constexpr const char* kVendorString = "orvalen.example.org";

constexpr const char* kParamNames[CrossfeedEffect::kNumParams] = {"Feed", "FCut", "Defs"};
constexpr const char* kParamLabels[CrossfeedEffect::kNumParams] = {" dB", " Hz/us", " "};

bool isParameter(int32_t index) {
    return index >= 0 && index < CrossfeedEffect::kNumParams;
}

// Inter-aural delay in microseconds shown beside a cut frequency.
int interauralDelay(uint32_t cut) {
    if (cut < kMinCutFrequency || cut > kMaxCutFrequency)
        return 0;
    return static_cast<int>(18700 / cut) * 10;
}

} // namespace

CrossfeedEffect::CrossfeedEffect(HostCallback callback) : PluginEffect(callback, kNumPrograms, kNumParams) {
    assignInputCount(2);
    assignOutputCount(2);
    markReplacing(true);
    markDoubleReplacing(true);
    assignUniqueId(kUniqueId);
    copyText(programName, "Default", vst::kMaxProgNameLen);
    attachCrossfeedEditor(this);
}

// The engine member frees the filter state before the base deletes the editor.
CrossfeedEffect::~CrossfeedEffect() = default;

void CrossfeedEffect::onSetSampleRate(float rate) {
    CrossfeedFilter* state = engine.filter();
    if (!state)
        return;
    // Negative rates wrap to huge unsigned values, which the filter replaces by its default.
    state->setSampleRate(static_cast<uint32_t>(truncateToInt32(rate)));
}

void CrossfeedEffect::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    CrossfeedFilter* state = engine.filter();
    if (sampleFrames <= 0 || !state)
        return;
    // Frame by frame as processFrameFloat, with the filter history held in registers for the
    // block: a loop here would have to store it after every output, which might alias it.
    state->processBlockFloat(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
}

void CrossfeedEffect::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) {
    CrossfeedFilter* state = engine.filter();
    if (sampleFrames <= 0 || !state)
        return;
    state->processBlock(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
}

void CrossfeedEffect::setParameter(int32_t index, float value) {
    CrossfeedFilter* state = engine.filter();
    switch (index) {
    case kParamFeed:
        if (preset == kPresetOff && state) {
            // 10 + trunc(value * 140), written so that float rounding matches the level display.
            const int64_t feed = 10 - static_cast<int64_t>(truncateToInt32(value * -140.0f));
            state->setLevel((levelHalf(feed) << 16) | (state->level & 0xFFFFu));
        }
        break;
    case kParamCut:
        if (preset == kPresetOff && state) {
            const int64_t cut = 300 - static_cast<int64_t>(truncateToInt32(value * -1700.0f));
            state->setLevel(levelHalf(cut) | (state->level & 0xFFFF0000u));
        }
        break;
    case kParamPreset: {
        const float scaled = value * 5.0f;
        const int32_t selected = truncateToInt32(scaled - 0.01f);
        if (selected >= 1 && selected < kPresetCount) {
            preset = selected;
            if (state)
                state->setLevel(kPresetLevels[selected]);
        } else {
            preset = kPresetOff;
        }
        break;
    }
    default:
        break;
    }
    if (PluginEditor* attached = attachedEditor())
        notifyCrossfeedEditor(attached, index, value);
}

float CrossfeedEffect::getParameter(int32_t index) {
    const CrossfeedFilter* state = engine.filter();
    switch (index) {
    case kParamFeed:
        return state ? static_cast<float>(static_cast<int32_t>(state->feed()) - 10) * 0.0071428571827709675f
                     : 0.0f;
    case kParamCut:
        return state ? static_cast<float>(static_cast<int32_t>(state->cutFrequency()) - 300) *
                           0.0005882352706976235f
                     : 0.0f;
    case kParamPreset:
        return static_cast<float>(preset) * 0.25f;
    default:
        return 0.0f;
    }
}

void CrossfeedEffect::onSetProgramName(char* name) {
    copyText(programName, name, vst::kMaxProgNameLen);
}

void CrossfeedEffect::onGetProgramName(char* name) {
    copyText(name, programName, vst::kMaxProgNameLen);
}

void CrossfeedEffect::onGetParamLabel(int32_t index, char* text) {
    if (isParameter(index))
        copyText(text, kParamLabels[index], vst::kMaxParamStrLen);
}

void CrossfeedEffect::onGetParamName(int32_t index, char* text) {
    if (isParameter(index))
        copyText(text, kParamNames[index], vst::kMaxParamStrLen);
}

void CrossfeedEffect::onGetParamDisplay(int32_t index, char* text) {
    if (!isParameter(index))
        return;
    char work[64] = {};
    const CrossfeedFilter* state = engine.filter();
    const uint32_t feed = state ? state->feed() : 0;
    const uint32_t cut = state ? state->cutFrequency() : 0;
    switch (index) {
    case kParamFeed:
        std::snprintf(work, sizeof(work), "%d.%d", static_cast<int>(feed / 10), static_cast<int>(feed % 10));
        break;
    case kParamCut:
        std::snprintf(work, sizeof(work), "%d/%d", static_cast<int>(cut), interauralDelay(cut));
        break;
    default:
        copyText(work, kPresetNames[preset], static_cast<int32_t>(sizeof(work)) - 1);
        break;
    }
    copyText(text, work, vst::kMaxParamStrLen);
}

bool CrossfeedEffect::onGetEffectName(char* text) {
    copyText(text, kEffectName, vst::kMaxEffectNameLen);
    return true;
}

bool CrossfeedEffect::onGetVendorString(char* text) {
    copyText(text, kVendorString, vst::kMaxVendorStrLen);
    return true;
}

bool CrossfeedEffect::onGetProductString(char* text) {
    copyText(text, kProductString, vst::kMaxProductStrLen);
    return true;
}

} // namespace tovrel
