#include "tools/vsthost/HostedEffect.h"

namespace tovrel {

HostedEffect::~HostedEffect() {
    close();
}

intptr_t VST_CALL HostedEffect::quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
}

bool HostedEffect::load(const std::string& path, HostCallback callback) {
    close();
    if (!ownLibrary.load(path)) {
        lastError = ownLibrary.error();
        return false;
    }
    return open(ownLibrary, callback);
}

bool HostedEffect::open(const PluginLibrary& library, HostCallback callback) {
    if (!library.isLoaded()) {
        close();
        lastError = "no plug-in is loaded";
        return false;
    }
    return open(library.createEffect(callback));
}

bool HostedEffect::open(AEffect* effect) {
    close();
    if (!effect) {
        lastError = "the plug-in's entry point returned no effect";
        return false;
    }
    if (effect->magic != vst::kEffectMagic) {
        lastError = "the plug-in's entry point returned no VST 2.4 effect record";
        return false;
    }
    record = effect;
    lastError.clear();
    dispatch(vst::effOpen);
    return true;
}

void HostedEffect::setSampleRate(float sampleRate) {
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
}

void HostedEffect::setBlockSize(int32_t blockSize) {
    dispatch(vst::effSetBlockSize, 0, blockSize);
}

void HostedEffect::resume() {
    dispatch(vst::effMainsChanged, 0, 1);
    resumed = true;
}

void HostedEffect::suspend() {
    dispatch(vst::effMainsChanged, 0, 0);
    resumed = false;
}

void HostedEffect::setParameter(int32_t index, float value) {
    record->setParameter(record, index, value);
}

float HostedEffect::getParameter(int32_t index) const {
    return record->getParameter(record, index);
}

std::string HostedEffect::parameterDisplay(int32_t index) {
    // Longer than any text a host is asked to take, in case the plug-in writes past the limit.
    char text[256] = {};
    dispatch(vst::effGetParamDisplay, index, 0, text);
    text[sizeof(text) - 1] = '\0';
    return text;
}

void HostedEffect::close() {
    if (!record)
        return;
    if (resumed)
        suspend();
    // The record belongs to the plug-in and is invalid once closed.
    dispatch(vst::effClose);
    record = nullptr;
}

intptr_t HostedEffect::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return record ? record->dispatcher(record, opcode, index, value, ptr, opt) : 0;
}

} // namespace tovrel
