#include "plugin/CrossfeedEffect.h"

#include "host/PluginEditor.h"
#include "plugin/ParameterMappings.h"
#include "plugin/Presets.h"

#include <atomic>
#include <cstdio>

namespace tovrel {

namespace {

constexpr const char* kEffectName = "hxF2";
constexpr const char* kProductString = "Orvalen Headphones Crossfeed (Bauer Stereophonic-to-Binaural)";
constexpr const char* kVendorString = "orvalen.example.org";

constexpr const char* kParamNames[CrossfeedEffect::kNumParams] = {"Feed", "FCut", "Defs"};
// Deliberate: " Hz/us" and eight-character displays, as documented (docs/deliberate-choices.md).
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
    state->setSampleRate(sampleRateFromHost(rate));
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

// Resuming starts a new stream: what played before the host stopped (a previous render, another
// passage) must not ring into it. Suspending changes nothing; the host may never resume.
// Deliberate: a resume starts from a clear history (docs/deliberate-choices.md).
void CrossfeedEffect::onMainsOn() {
    PluginEffect::onMainsOn();
    if (CrossfeedFilter* state = engine.filter())
        state->clearHistory();
}

void CrossfeedEffect::setParameter(int32_t index, float value) {
    applyParameter(index, value, Source::host);
}

// The editor's changes reach the effect here, never through setParameter, so that the effect
// can tell them from the host's. The host records what it is told and plays it back later, so it
// is told what the user heard:
// - A value that took effect is sent as the editor gave it.
// - A level slider dragged under a preset changes nothing, and the host is sent the locked value
//   in force rather than nothing: a host writing automation in touch or latch mode records the
//   parameter while the gesture lasts, and the lane then holds what played. A dragged value on the
//   lane would be set under the preset on playback, kept, and put in force by a later "Off",
//   although nobody ever heard it.
// - A preset moves "Feed" and "FCut" too, so each of them that changed is reported in a gesture
//   of its own, as hosts expect of parameters that a plug-in changes itself.
// A change that the host makes (setParameter) is never reported back: the host knows it, a host
// playing automation while writing other lanes would record its own playback of "Defs" on the
// level lanes, and the host may set parameters on its audio thread, where calling it back could
// block.
void CrossfeedEffect::automateParameter(int32_t index, float value) {
    const Change change = applyParameter(index, value, Source::editor);
    switch (index) {
    case kParamFeed:
    case kParamCut: {
        const bool locked = change.before.preset() != kPresetOff;
        const LevelWord level = change.after.level();
        const float inForce =
            index == kParamFeed ? parameterFromFeed(feedOf(level)) : parameterFromCut(cutFrequencyOf(level));
        reportToHost(index, locked ? inForce : value);
        break;
    }
    case kParamPreset: {
        reportToHost(index, value);
        const LevelWord before = change.before.level();
        const LevelWord after = change.after.level();
        if (feedOf(after) != feedOf(before)) {
            notifyHostBeginEdit(kParamFeed);
            reportToHost(kParamFeed, parameterFromFeed(feedOf(after)));
            notifyHostEndEdit(kParamFeed);
        }
        if (cutFrequencyOf(after) != cutFrequencyOf(before)) {
            notifyHostBeginEdit(kParamCut);
            reportToHost(kParamCut, parameterFromCut(cutFrequencyOf(after)));
            notifyHostEndEdit(kParamCut);
        }
        break;
    }
    default:
        reportToHost(index, value);
        break;
    }
}

void CrossfeedEffect::reportToHost(int32_t index, float value) {
    callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
}

namespace {

// The settings after one parameter change, from the settings it meets: the effect's rules in one
// pure function, which a change may compute more than once.
//
// A host restores a session by setting the three saved values on a fresh effect, which starts
// with a preset selected, in whatever order it likes. Set before "Defs", a saved custom "Feed"
// or "FCut" would meet the locked level and be lost. So a value that the host sets on a locked
// level is not applied but kept (the latest one per half), and the host's next selection of "Off"
// applies what was kept, both halves as one level word; choosing a preset, or any change made in
// the editor, forgets it. While the preset stays selected nothing audible changes, and leaving a
// preset for "Off" from the editor keeps the preset's level.
EffectSettings nextSettings(EffectSettings current, int32_t index, float value, bool fromHost) {
    const EffectSettings settings = fromHost ? current : current.forgettingKept();
    switch (index) {
    case CrossfeedEffect::kParamFeed: {
        const uint32_t feed = levelHalf(feedFromParameter(value));
        if (settings.preset() == kPresetOff)
            return settings.withLevel(withFeed(settings.level(), feed));
        return fromHost ? settings.keepingFeed(feed) : settings;
    }
    case CrossfeedEffect::kParamCut: {
        const uint32_t cut = levelHalf(cutFromParameter(value));
        if (settings.preset() == kPresetOff)
            return settings.withLevel(withCutFrequency(settings.level(), cut));
        return fromHost ? settings.keepingCut(cut) : settings;
    }
    case CrossfeedEffect::kParamPreset: {
        const int32_t selected = presetFromParameter(value);
        if (selected >= 1 && selected < kPresetCount)
            return EffectSettings(kPresetLevels[selected], selected);
        // Deliberate: "Off" keeps the level; the host's "Off" applies kept recall values
        // (docs/deliberate-choices.md).
        return settings.applyingKept().withPreset(kPresetOff);
    }
    default:
        return settings;
    }
}

} // namespace

// One update of the settings word per change, so that a change made meanwhile by another thread
// is never undone; then the level goes to the filter.
CrossfeedEffect::Change CrossfeedEffect::applyParameter(int32_t index, float value, Source source) {
    const bool fromHost = source == Source::host;
    uint64_t before = 0;
    const uint64_t after = settings.update([&](uint64_t seen) {
        before = seen; // the last computation is the one that landed
        runChangeProbe(ChangeStage::computing);
        return nextSettings(EffectSettings::unpack(seen), index, value, fromHost).pack();
    });
    pushLevel();
    if (PluginEditor* attached = attachedEditor())
        attached->parameterChanged(index, value);
    return Change{EffectSettings::unpack(before), EffectSettings::unpack(after)};
}

// Hands the level in force to the filter so that, once changes stop, the filter holds the level
// of the settings, whatever the interleaving of writers: each writer reads the word, pushes its
// level, and reads again until a read finds the level it pushed last.
// Why that suffices: take the push that reaches the filter last, by writer W with level x. W read
// the word again after that push and found x, or it would have pushed once more, later still. A
// change landing after that read would have made its own writer read the word and push after it
// landed, so after W's push: no change lands after W's read, and the word's level stays x, which
// the filter holds. The fences keep each read after the writer's preceding push or update, and
// each push after the read before it, in the one order all threads agree on.
// Nothing here waits: a writer pushes again only because another change completed meanwhile.
void CrossfeedEffect::pushLevel() {
    CrossfeedFilter* state = engine.filter();
    if (!state)
        return;
    bool pushed = false;
    LevelWord lastPushed = 0;
    for (;;) {
        std::atomic_thread_fence(std::memory_order_seq_cst);
        const LevelWord inForce = currentSettings().level();
        if (pushed && inForce == lastPushed)
            return;
        runChangeProbe(ChangeStage::pushing);
        state->setLevel(inForce);
        pushed = true;
        lastPushed = inForce;
    }
}

// The level parameters report the level in force: while a preset is selected that is the
// preset's level, even if the host has set other values that wait for "Off".
float CrossfeedEffect::getParameter(int32_t index) {
    const EffectSettings current = currentSettings();
    switch (index) {
    case kParamFeed:
        return parameterFromFeed(feedOf(current.level()));
    case kParamCut:
        return parameterFromCut(cutFrequencyOf(current.level()));
    case kParamPreset:
        return parameterFromPreset(current.preset());
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
    const EffectSettings current = currentSettings();
    const uint32_t feed = feedOf(current.level());
    const uint32_t cut = cutFrequencyOf(current.level());
    switch (index) {
    case kParamFeed:
        std::snprintf(work, sizeof(work), "%d.%d", static_cast<int>(feed / 10), static_cast<int>(feed % 10));
        break;
    case kParamCut:
        std::snprintf(work, sizeof(work), "%d/%d", static_cast<int>(cut), interauralDelay(cut));
        break;
    default:
        copyText(work, kPresetNames[current.preset()], static_cast<int32_t>(sizeof(work)) - 1);
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
