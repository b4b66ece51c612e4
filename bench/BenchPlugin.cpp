#include "bench/BenchPlugin.h"

#include <cstdio>
#include <cstring>

namespace tovrel {

namespace {

intptr_t VST_CALL benchHostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
}

} // namespace

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

AEffect* BenchPlugin::openEffect(float sampleRate, int32_t blockSize) const {
    AEffect* effect = m_library.createEffect(&benchHostCallback);
    if (!effect)
        return nullptr;
    effect->dispatcher(effect, vst::effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
    effect->dispatcher(effect, vst::effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    return effect;
}

void BenchPlugin::closeEffect(AEffect* effect) {
    if (!effect)
        return;
    effect->dispatcher(effect, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
}

} // namespace tovrel
