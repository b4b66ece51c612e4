#pragma once

#include "host/VstAbi.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/vsthost/SeededRandom.h"
#include "tools/vsthost/StereoBuffers.h"

#include <cstdint>
#include <memory>

namespace tovrel::test {

// A host for the stress tests: one loaded library shared by the effects opened from it.
class StressHost {
public:
    // Loads the plug-in from the test program's folder; false (with a test failure) if it cannot.
    bool load();

    // An effect opened at this rate and switched on; null if the plug-in gives none. It is
    // switched off and closed when released.
    std::unique_ptr<HostedEffect> openEffect(float sampleRate) const;

    const PluginLibrary& library() const { return sharedLibrary; }

private:
    PluginLibrary sharedLibrary;
};

} // namespace tovrel::test
