// The library's one entry point: the LV2 descriptor, whose operations forward to CrossfeedLv2.
#include "lv2/CrossfeedLv2.h"
#include "lv2/Lv2Ports.h"

#include <lv2/core/lv2.h>

#include <new>

namespace {

using tovrel::CrossfeedLv2;

CrossfeedLv2* plugin(LV2_Handle instance) {
    return static_cast<CrossfeedLv2*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const*) {
    auto* created = new (std::nothrow) CrossfeedLv2(sampleRate);
    if (created && !created->ready()) {
        delete created;
        return nullptr;
    }
    return created;
}

void connectPort(LV2_Handle instance, uint32_t port, void* data) {
    plugin(instance)->connectPort(port, data);
}

void activate(LV2_Handle instance) {
    plugin(instance)->activate();
}

void run(LV2_Handle instance, uint32_t frames) {
    plugin(instance)->run(frames);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle instance) {
    delete plugin(instance);
}

const void* extensionData(const char*) {
    return nullptr;
}

const LV2_Descriptor kDescriptor = {
    tovrel::lv2::kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
