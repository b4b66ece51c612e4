#pragma once

#include "engine/CrossfeedEngine.h"
#include "host/PluginEffect.h"

#include <atomic>
#include <cstdint>

namespace tovrel {

// The headphone crossfeed effect: two inputs, two outputs, one program and three automatable
// parameters ("Feed", "FCut" and the preset selector "Defs").
class CrossfeedEffect : public PluginEffect {
public:
    static constexpr int32_t kParamFeed = 0;
    static constexpr int32_t kParamCut = 1;
    static constexpr int32_t kParamPreset = 2;
    static constexpr int32_t kNumParams = 3;
    static constexpr int32_t kNumPrograms = 1;
    static constexpr int32_t kUniqueId = 0x68784632; // 'hxF2'
    static constexpr int32_t kVendorVersion = 0x10000;

    explicit CrossfeedEffect(HostCallback callback);
    ~CrossfeedEffect() override;

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

    int32_t selectedPreset() const { return preset.load(std::memory_order_relaxed); }
    const CrossfeedFilter* filter() const { return engine.filter(); }

private:
    // Who set a parameter: the host (through the record) or the editor (through
    // automateParameter). Only the host's values on a locked level are kept for later.
    enum class Source { host, editor };

    void applyParameter(int32_t index, float value, Source source);
    void applyKeptLevel();
    void forgetKeptLevel();

    // A level half that no half of a valid level word can be: nothing kept.
    static constexpr uint32_t kNothingKept = 0xFFFFFFFFu;

    CrossfeedEngine engine;
    // Atomic because the host and the editor may set parameters from different threads.
    std::atomic<int32_t> preset{1};
    char programName[vst::kMaxProgNameLen + 1]{};
    // "Feed" and "FCut" halves that the host set while a preset locked them (see applyParameter).
    std::atomic<uint32_t> keptFeed{kNothingKept};
    std::atomic<uint32_t> keptCut{kNothingKept};
};

} // namespace tovrel
