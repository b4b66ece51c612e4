#pragma once

#include "host/VstAbi.h"
#include "tools/vsthost/PluginLibrary.h"

#include <string>

namespace tovrel {

// The benchmarks' host: loads the built plug-in by file name, as a host does, and opens effects
// through the entry point and the dispatcher, ready to process.
class BenchPlugin {
public:
    // The library named by "--plugin PATH" on the command line, else the one built next to the
    // benchmarks. Prints the reason and returns false when it cannot be loaded.
    bool load(int argc, char** argv);

    // A new effect at the given rate and block size, switched on; null if the plug-in refuses.
    AEffect* openEffect(float sampleRate, int32_t blockSize) const;
    static void closeEffect(AEffect* effect);

    const std::string& path() const { return m_path; }

private:
    PluginLibrary m_library;
    std::string m_path;
};

} // namespace tovrel
