#include "StressHost.h"

#include <gtest/gtest.h>

namespace tovrel::test {

namespace {

intptr_t VST_CALL stressHostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
}

} // namespace

bool StressHost::load() {
    if (!m_library.load(TOVREL_STRESS_PLUGIN)) {
        ADD_FAILURE() << m_library.error();
        return false;
    }
    return true;
}

AEffect* StressHost::openEffect(float sampleRate) const {
    AEffect* effect = m_library.createEffect(&stressHostCallback);
    if (!effect)
        return nullptr;
    effect->dispatcher(effect, vst::effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
    effect->dispatcher(effect, vst::effSetBlockSize, 0, 4096, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    return effect;
}

void StressHost::closeEffect(AEffect* effect) {
    effect->dispatcher(effect, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
}

} // namespace tovrel::test
