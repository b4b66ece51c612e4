#pragma once

#include "engine/CrossfeedEngine.h"
#include "engine/SettingsWord.h"
#include "host/PluginEffect.h"
#include "plugin/EffectSettings.h"

#include <cstdint>

namespace tovrel {

// The headphone crossfeed effect: two inputs, two outputs, one program and three automatable
// parameters ("Feed", "FCut" and the preset selector "Defs").
//
// Threads: setParameter, getParameter and the parameter texts may come from any threads at once
// (the host's audio and automation threads, the editor's), while the audio thread processes.
// - Writers (setParameter, automateParameter): each change is one update of `settings`, the
//   whole parameter state in one lock-free word, so no change undoes another; the last value a
//   host set on each parameter is the one in force (HostThreads.TwoWritersNeverUndoEachOther,
//   ParameterThreads.AWriterSuspendedInAChangeHoldsUpNothingAndUndoesNothing).
// - The filter: after its update the writer hands the level in force to the filter and checks
//   that it still is the one in force (pushLevel), so once changes stop the filter holds the
//   level of the settings whatever the interleaving (the same two tests, a writer suspended
//   before its push).
// - Readers (getParameter, the texts, selectedPreset): one load of the word; they see the
//   settings as some completed change left them, never a mix of two.
// - Waiting: in the effect nobody waits. A writer suspended anywhere in the effect's part of a
//   change holds up no other writer, no reader and no processing (ParameterThreads...), and only
//   repeats work because another change completed meanwhile; nothing here allocates. What the
//   filter's setters and the editor's notification do is theirs to state.
class CrossfeedEffect : public PluginEffect {
public:
    static constexpr int32_t kParamFeed = 0;
    static constexpr int32_t kParamCut = 1;
    static constexpr int32_t kParamPreset = 2;
    static constexpr int32_t kNumParams = 3;
    static constexpr int32_t kNumPrograms = 1;
    static constexpr int32_t kUniqueId = 0x68784632; // 'hxF2'
    // Deliberate: the documented vendor version, not the release version (docs/deliberate-choices.md).
    static constexpr int32_t kVendorVersion = 0x10000;

    explicit CrossfeedEffect(HostCallback callback);
    ~CrossfeedEffect() override;

    void onMainsOn() override;
    void onSetSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) override;
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void automateParameter(int32_t index, float value) override;
    void onSetProgramName(char* name) override;
    void onGetProgramName(char* name) override;
    void onGetParamLabel(int32_t index, char* text) override;
    void onGetParamDisplay(int32_t index, char* text) override;
    void onGetParamName(int32_t index, char* text) override;
    bool onGetEffectName(char* text) override;
    bool onGetVendorString(char* text) override;
    bool onGetProductString(char* text) override;
    int32_t onGetVendorVersion() override { return kVendorVersion; }

    int32_t selectedPreset() const { return currentSettings().preset(); }
    LevelWord levelInForce() const { return currentSettings().level(); }
    const CrossfeedFilter* filter() const { return engine.filter(); }

    // A seam for tests that suspend a writer in the middle of a change: the probe runs on the
    // writing thread each time it computes new settings (computing) and each time it is about to
    // hand a level to the filter (pushing). Set it before other threads use the effect.
    enum class ChangeStage { computing, pushing };
    using ChangeProbe = void (*)(void* context, ChangeStage stage);
    void setChangeProbe(ChangeProbe probe, void* context) {
        changeProbe = probe;
        changeProbeContext = context;
    }

private:
    // Who set a parameter: the host (through the record) or the editor (through
    // automateParameter). Only the host's values on a locked level are kept for later.
    enum class Source { host, editor };

    // The settings just before a change landed and what it installed.
    struct Change {
        EffectSettings before;
        EffectSettings after;
    };

    Change applyParameter(int32_t index, float value, Source source);
    void pushLevel();
    void runChangeProbe(ChangeStage stage) const {
        if (changeProbe)
            changeProbe(changeProbeContext, stage);
    }
    EffectSettings currentSettings() const { return EffectSettings::unpack(settings.load()); }
    void reportToHost(int32_t index, float value);

    CrossfeedEngine engine;
    // The level in force, the preset and the kept level halves (see applyParameter).
    SettingsWord settings{EffectSettings{}.pack()};
    char programName[vst::kMaxProgNameLen + 1]{};
    ChangeProbe changeProbe{nullptr};
    void* changeProbeContext{nullptr};
};

} // namespace tovrel
