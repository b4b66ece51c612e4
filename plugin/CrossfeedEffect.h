#pragma once

#include "engine/CrossfeedEngine.h"
#include "host/PluginEffect.h"
#include "plugin/CrossfeedEditorHooks.h"

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
    void onSetProgramName(char* name) override;
    void onGetProgramName(char* name) override;
    void onGetParamLabel(int32_t index, char* text) override;
    void onGetParamDisplay(int32_t index, char* text) override;
    void onGetParamName(int32_t index, char* text) override;
    bool onGetEffectName(char* text) override;
    bool onGetVendorString(char* text) override;
    bool onGetProductString(char* text) override;
    int32_t onGetVendorVersion() override { return kVendorVersion; }

    int32_t selectedPreset() const { return preset; }
    const CrossfeedFilter* filter() const { return engine.filter(); }

private:
    CrossfeedEngine engine;
    int32_t preset{1};
    char programName[vst::kMaxProgNameLen + 1]{};
};

} // namespace tovrel
