// Speaker arrangement tools of the effect base. Arrangements are allocated with room for exactly
// the channels they describe, so entries past the declared eight are reached by byte offset.
#include "host/PluginEffect.h"

#include <cstdlib>
#include <cstring>

namespace tovrel {

namespace {

constexpr size_t kArrangementHeader = offsetof(VstSpeakerArrangement, speakers);

VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, int32_t index) {
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) + kArrangementHeader +
                                                   static_cast<size_t>(index) * sizeof(VstSpeakerProperties));
}

} // namespace

bool PluginEffect::allocateSpeakerArrangement(VstSpeakerArrangement** slot, int32_t channels) {
    if (!slot || channels < 0)
        return false;
    if (*slot) {
        std::free(*slot);
        *slot = nullptr;
    }
    const size_t size = kArrangementHeader + static_cast<size_t>(channels) * sizeof(VstSpeakerProperties);
    auto* arrangement = static_cast<VstSpeakerArrangement*>(std::calloc(1, size));
    if (!arrangement)
        return false;
    arrangement->numChannels = channels;
    *slot = arrangement;
    return true;
}

bool PluginEffect::releaseSpeakerArrangement(VstSpeakerArrangement** slot) {
    if (!slot)
        return false;
    std::free(*slot);
    *slot = nullptr;
    return true;
}

bool PluginEffect::copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from)
        return false;
    copyText(to->name, from->name, static_cast<int32_t>(sizeof(to->name)) - 1);
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool PluginEffect::matchSpeakerArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from || !to)
        return false;
    releaseSpeakerArrangement(to);
    if (!allocateSpeakerArrangement(to, from->numChannels))
        return false;
    (*to)->type = from->type;
    for (int32_t i = 0; i < from->numChannels; ++i) {
        if (!copySpeakerProperties(speakerAt(*to, i), speakerAt(from, i)))
            return false;
    }
    return true;
}

} // namespace tovrel
