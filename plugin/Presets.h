#pragma once

#include "engine/LevelWord.h"

#include <cstdint>

namespace tovrel {

constexpr int32_t kPresetCount = 5;
constexpr int32_t kPresetOff = 0;

// Shared by the effect's parameter display and the editor's preset display.
constexpr const char* kPresetNames[kPresetCount] = {"Off", "Taskel (Orvalen)", "BS2B Default", "C. Moy",
                                                    "J. Meier"};

// Short names for the command line and for identifiers (the LV2 presets' addresses).
constexpr const char* kPresetKeys[kPresetCount] = {"off", "taskel", "bs2b", "cmoy", "jmeier"};

// Level installed by each preset; "Off" installs none and keeps the level in force.
constexpr LevelWord kPresetLevels[kPresetCount] = {0, kLevelTaskel, kLevelBs2bDefault, kLevelCMoy,
                                                   kLevelJMeier};

} // namespace tovrel
