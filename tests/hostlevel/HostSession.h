#pragma once

#include "support/RecordingHost.h"
#include "tools/vsthost/PluginLibrary.h"

#include <string>

namespace tovrel::test {

// Where the host-level tests find the plug-in and the reference samples; set from the command
// line by the test program's main.
struct HostLevelPaths {
    static std::string plugin;
    static std::string golden;
};

// Deterministic test signals whose samples are exact binary fractions, so that every platform
// feeds the plug-in bit-identical input.
class TestSignal {
public:
    explicit TestSignal(uint32_t seed) : m_state(seed) {}
    // A value in [-1, 1) with 24 significant bits.
    double next() {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(static_cast<int32_t>(m_state) >> 8) / 8388608.0;
    }

private:
    uint32_t m_state;
};

// One processing scenario of the reference set: a setting, then a block of frames.
struct Scenario {
    const char* name;
    float sampleRate;
    float presetValue; // "Defs"; 0 selects "Off"
    float feedValue;   // used when "Off"
    float cutValue;    // used when "Off"
    bool singlePrecision;
};

constexpr int kScenarioFrames = 512;
extern const Scenario kScenarios[];
extern const int kScenarioCount;

// Runs one scenario on a fresh effect from the library; appends left and right samples per frame.
bool renderScenario(const PluginLibrary& library, const Scenario& scenario, std::vector<double>& samples);

} // namespace tovrel::test
