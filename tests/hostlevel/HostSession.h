#pragma once

#include "support/RecordingHost.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/vsthost/SeededRandom.h"

#include <string>
#include <vector>

namespace tovrel::test {

// Where the host-level tests find the plug-in and the reference samples; set from the command
// line by the test program's main.
struct HostLevelPaths {
    static std::string plugin;
    static std::string golden;
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
