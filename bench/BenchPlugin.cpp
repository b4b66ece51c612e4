#include "bench/BenchPlugin.h"

#include <cstdio>
#include <cstring>

namespace tovrel {

bool BenchPlugin::load(int argc, char** argv) {
    m_path = TOVREL_BENCH_PLUGIN;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--plugin") == 0)
            m_path = argv[i + 1];
    }
    if (!m_library.load(m_path)) {
        std::fprintf(stderr, "%s\n", m_library.error().c_str());
        return false;
    }
    return true;
}

bool BenchPlugin::openEffect(HostedEffect& effect, float sampleRate, int32_t blockSize) const {
    if (!effect.open(m_library)) {
        std::fprintf(stderr, "the plug-in refused to open: %s\n", effect.error().c_str());
        return false;
    }
    effect.setSampleRate(sampleRate);
    effect.setBlockSize(blockSize);
    effect.resume();
    return true;
}

} // namespace tovrel
