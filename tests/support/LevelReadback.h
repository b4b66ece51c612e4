#pragma once

#include "engine/LevelWord.h"
#include "host/VstAbi.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"

namespace tovrel::test {

// The level in force as a host reads it through the record: "Feed" and "FCut" mapped back with
// the effect's own mappings, which give every reported value's feed and cut frequency exactly.
inline LevelWord levelInForce(AEffect* effect) {
    const auto feed = feedFromParameter(effect->getParameter(effect, CrossfeedEffect::kParamFeed));
    const auto cut = cutFromParameter(effect->getParameter(effect, CrossfeedEffect::kParamCut));
    return makeLevel(static_cast<uint32_t>(cut), static_cast<uint32_t>(feed));
}

} // namespace tovrel::test
