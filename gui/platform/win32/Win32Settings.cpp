// The user's settings under Windows: values of the user's own registry key of the plug-in.
#include "gui/platform/PlatformSettings.h"

#include <windows.h>

namespace tovrel {

namespace {

constexpr const char* kKeyPath = "Software\\tovrel\\tovrel_vst";

} // namespace

bool readUserSetting(const char* name, int32_t& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD stored = 0;
    DWORD type = 0;
    DWORD size = sizeof(stored);
    const LONG read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(stored))
        return false;
    value = static_cast<int32_t>(stored);
    return true;
}

bool writeUserSetting(const char* name, int32_t value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const auto stored = static_cast<DWORD>(value);
    const LONG written =
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored), sizeof(stored));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

} // namespace tovrel
