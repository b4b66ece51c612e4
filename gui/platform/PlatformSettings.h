#pragma once

#include <cstdint>

namespace tovrel {

// The user's own settings of the plug-in, kept across sessions and shared by every instance, as
// whole numbers by name: on Windows the user's registry key Software\tovrel\tovrel_vst.
// Reading gives false when nothing of that name and kind is kept; writing false when refused.
bool readUserSetting(const char* name, int32_t& value);
bool writeUserSetting(const char* name, int32_t value);

} // namespace tovrel
