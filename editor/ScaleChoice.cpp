#include "editor/ScaleChoice.h"

#include <cstdio>

namespace tovrel::ScaleChoice {

namespace {

constexpr const char* kKeyPath = "Software\\tovrel\\tovrel_vst";
constexpr const char* kValueName = "EditorScale";
constexpr const char* kFollowText = "follow the screen";
// Menu command numbers: the percentage itself for a size; follow the screen has its own.
constexpr UINT kFollowCommand = 1;

bool isOffered(int32_t percent) {
    for (const int32_t step : CScale::kSteps)
        if (step == percent)
            return true;
    return false;
}

} // namespace

int32_t kept() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    const LONG read =
        RegQueryValueExA(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return 0;
    const auto percent = static_cast<int32_t>(value);
    return isOffered(percent) ? percent : 0;
}

bool keep(int32_t percent) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD value = isOffered(percent) ? static_cast<DWORD>(percent) : 0;
    const LONG written =
        RegSetValueExA(key, kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

CScale scaleOn(const CScale& screen) {
    const int32_t percent = kept();
    return percent != 0 ? CScale(percent) : screen;
}

int32_t ask(HWND owner, CPos screenPoint) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return -1;
    const int32_t current = kept();
    for (const int32_t step : CScale::kSteps) {
        char text[16];
        std::snprintf(text, sizeof text, "%d %%", static_cast<int>(step));
        AppendMenuA(menu, MF_STRING | (step == current ? MF_CHECKED : 0u), static_cast<UINT_PTR>(step), text);
    }
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | (current == 0 ? MF_CHECKED : 0u), kFollowCommand, kFollowText);
    const BOOL command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, screenPoint.h,
                                        screenPoint.v, 0, owner, nullptr);
    DestroyMenu(menu);
    if (command == 0)
        return -1;
    return command == static_cast<BOOL>(kFollowCommand) ? 0 : static_cast<int32_t>(command);
}

} // namespace tovrel::ScaleChoice
