#pragma once

#include "tools/vsthost/PluginLibrary.h"

#include <string>
#include <vector>

namespace tovrel {

// A setting of the plug-in whose response is measured: a preset (index 0 to 4 of "Defs"), or a
// level set on the two sliders with the preset selector at "Off".
struct ResponseSetting {
    std::string name;
    int preset{-1};    // -1: set the level below
    int cutHz{0};      // 300 to 2000
    int feedTenths{0}; // 10 to 150
};

// What the plug-in did with one impulse in its left input: the left output is the same-side path,
// the right output the opposite-side path, both scaled back to a unit impulse.
struct ImpulseResponse {
    std::vector<double> sameSide;
    std::vector<double> oppositeSide;
    double peak{0.0};     // largest output magnitude, before scaling back
    std::string feedText; // the level in force, as the plug-in displays it
    std::string cutText;
};

// Measures impulse responses of a built plug-in, loaded and driven as a host drives it: each
// measurement creates a fresh effect, configures it through the dispatcher and setParameter, and
// sends one impulse through processDoubleReplacing.
class ResponseProbe {
public:
    // The output clips at 1.0, so the impulse is small; a power of two scales back exactly.
    static constexpr double kImpulse = 0.25;

    bool load(const std::string& pluginPath);

    // False with a message in error() when the plug-in refuses the effect or the setting.
    bool measure(const ResponseSetting& setting, int sampleRate, int frames, ImpulseResponse& response);

    const std::string& error() const { return lastError; }

private:
    bool fail(const std::string& message);

    PluginLibrary library;
    std::string lastError;
};

} // namespace tovrel
