#include "plugin/CrossfeedEffect.h"

#include "host/PluginEditor.h"
#include "plugin/ParameterMappings.h"
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

} // namespace

CrossfeedEffect::CrossfeedEffect(HostCallback callback) : PluginEffect(callback, kNumPrograms, kNumParams) {
    assignInputCount(2);
    assignOutputCount(2);
    markReplacing(true);
    markDoubleReplacing(true);
    assignUniqueId(kUniqueId);
    copyText(programName, "Default", vst::kMaxProgNameLen);
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
    applyParameter(index, value, Source::host);
}

// The editor's changes reach the effect here, never through setParameter, so that the effect
// can tell them from the host's.
void CrossfeedEffect::automateParameter(int32_t index, float value) {
    applyParameter(index, value, Source::editor);
    callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
}

// A host restores a session by setting the three saved values on a fresh effect, which starts
// with a preset selected, in whatever order it likes. Set before "Defs", a saved custom "Feed"
// or "FCut" would meet the locked level and be lost. So a value that the host sets on a locked
// level is not applied but kept (the latest one per half), and the host's next selection of "Off"
// applies what was kept, both halves as one level word; choosing a preset, or any change made in
// the editor, forgets it. While the preset stays selected nothing audible changes, and leaving a
// preset for "Off" from the editor keeps the preset's level, as before. The kept halves are
// atomics taken with exchange, so a value is applied at most once whatever threads the host uses;
// a value racing with a preset change may be applied or forgotten, either of which a host
// sending both at once could expect.
void CrossfeedEffect::applyParameter(int32_t index, float value, Source source) {
    if (source == Source::editor)
        forgetKeptLevel();
    CrossfeedFilter* state = engine.filter();
    const bool locked = preset.load(std::memory_order_relaxed) != kPresetOff;
    switch (index) {
    case kParamFeed:
    case kParamCut: {
        const bool isFeed = index == kParamFeed;
        const uint32_t half = levelHalf(isFeed ? feedFromParameter(value) : cutFromParameter(value));
        if (locked) {
            if (source == Source::host)
                (isFeed ? keptFeed : keptCut).store(half, std::memory_order_relaxed);
        } else if (state) {
            const LevelWord current = state->level;
            state->setLevel(isFeed ? withFeed(current, half) : withCutFrequency(current, half));
        }
        break;
    }
    case kParamPreset: {
        const int32_t selected = presetFromParameter(value);
        if (selected >= 1 && selected < kPresetCount) {
            preset.store(selected, std::memory_order_relaxed);
            forgetKeptLevel();
            if (state)
                state->setLevel(kPresetLevels[selected]);
        } else {
            // "Off" first, so that a level value arriving meanwhile is applied, not kept.
            preset.store(kPresetOff, std::memory_order_relaxed);
            if (source == Source::host)
                applyKeptLevel();
        }
        break;
    }
    default:
        break;
    }
    if (PluginEditor* attached = attachedEditor())
        attached->parameterChanged(index, value);
}

// Both kept halves go in as one level word, so the order in which the host sent them does not
// matter; a half out of range installs the fallback level, as it would have if set directly.
void CrossfeedEffect::applyKeptLevel() {
    const uint32_t feed = keptFeed.exchange(kNothingKept, std::memory_order_relaxed);
    const uint32_t cut = keptCut.exchange(kNothingKept, std::memory_order_relaxed);
    CrossfeedFilter* state = engine.filter();
    if ((feed == kNothingKept && cut == kNothingKept) || !state)
        return;
    const LevelWord current = state->level;
    const uint32_t newFeed = feed != kNothingKept ? feed : feedOf(current);
    const uint32_t newCut = cut != kNothingKept ? cut : cutFrequencyOf(current);
    state->setLevel(makeLevel(newCut, newFeed));
}

void CrossfeedEffect::forgetKeptLevel() {
    keptFeed.store(kNothingKept, std::memory_order_relaxed);
    keptCut.store(kNothingKept, std::memory_order_relaxed);
}

// The level parameters report the level in force: while a preset is selected that is the
// preset's level, even if the host has set other values that wait for "Off".
float CrossfeedEffect::getParameter(int32_t index) {
    const CrossfeedFilter* state = engine.filter();
    switch (index) {
    case kParamFeed:
        return state ? parameterFromFeed(state->feed()) : 0.0f;
    case kParamCut:
        return state ? parameterFromCut(state->cutFrequency()) : 0.0f;
    case kParamPreset:
        return parameterFromPreset(preset.load(std::memory_order_relaxed));
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
        copyText(work, kPresetNames[preset.load(std::memory_order_relaxed)],
                 static_cast<int32_t>(sizeof(work)) - 1);
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
