#pragma once

#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"

#include <string>
#include <type_traits>

namespace tovrel {

template <typename Sample> using ProcessEntry = void(VST_CALL*)(AEffect*, Sample**, Sample**, int32_t);

// The record's processing entry for a sample type, as a host picks it. The timed loops call it
// straight through the record, as a host's audio loop does.
template <typename Sample> ProcessEntry<Sample> processEntry(const AEffect* effect) {
    if constexpr (std::is_same_v<Sample, double>)
        return effect->processDoubleReplacing;
    else
        return effect->processReplacing;
}

// The benchmarks' host: loads the built plug-in by file name, as a host does, and opens effects
// from it, ready to process.
class BenchPlugin {
public:
    // The library named by "--plugin PATH" on the command line, else the one built next to the
    // benchmarks. Prints the reason and returns false when it cannot be loaded.
    bool load(int argc, char** argv);

    // Opens a new effect in `effect` at the given rate and block size, switched on; prints the
    // reason and returns false if the plug-in refuses.
    bool openEffect(HostedEffect& effect, float sampleRate, int32_t blockSize) const;

    const std::string& path() const { return pluginPath; }

private:
    PluginLibrary library;
    std::string pluginPath;
};

} // namespace tovrel
