// Popup menus under Windows.
#include "gui/platform/PlatformMenu.h"

#include <windows.h>

namespace tovrel {

int32_t popupMenu(NativeWindow owner, CPos screenPoint, const PlatformMenuItem* items, int32_t count) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return 0;
    for (int32_t i = 0; i < count; ++i) {
        const PlatformMenuItem& item = items[i];
        if (!item.text)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING | (item.checked ? MF_CHECKED : 0u),
                        static_cast<UINT_PTR>(item.command), item.text);
    }
    const BOOL command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, screenPoint.h,
                                        screenPoint.v, 0, owner, nullptr);
    DestroyMenu(menu);
    return static_cast<int32_t>(command);
}

} // namespace tovrel
