#include "bench/BenchPlugin.h"

#include <cstdio>
#include <cstring>

namespace tovrel {

bool BenchPlugin::load(int argc, char** argv) {
    pluginPath = TOVREL_BENCH_PLUGIN;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--plugin") == 0)
            pluginPath = argv[i + 1];
    }
    if (!library.load(pluginPath)) {
        std::fprintf(stderr, "%s\n", library.error().c_str());
        return false;
    }
    return true;
}

bool BenchPlugin::openEffect(HostedEffect& effect, float sampleRate, int32_t blockSize) const {
    if (!effect.open(library)) {
        std::fprintf(stderr, "the plug-in refused to open: %s\n", effect.error().c_str());
        return false;
    }
    effect.setSampleRate(sampleRate);
    effect.setBlockSize(blockSize);
    effect.resume();
    return true;
}

} // namespace tovrel
