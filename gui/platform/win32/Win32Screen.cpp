// The screen under a window: its scale and where the window lies on it.
#include "gui/platform/PlatformWindow.h"

#include <windows.h>

namespace tovrel {

namespace {

using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using DpiForSystemFunction = UINT(WINAPI*)();

template <typename Function> Function userEntry(const char* name) {
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

} // namespace

CScale screenScaleOf(HWND window) {
    static const auto dpiForWindow = userEntry<DpiForWindowFunction>("GetDpiForWindow");
    static const auto dpiForSystem = userEntry<DpiForSystemFunction>("GetDpiForSystem");
    UINT dotsPerInch = 0;
    if (window && dpiForWindow)
        dotsPerInch = dpiForWindow(window);
    if (dotsPerInch == 0 && dpiForSystem)
        dotsPerInch = dpiForSystem();
    if (dotsPerInch == 0) {
        HDC screen = GetDC(nullptr);
        if (screen) {
            dotsPerInch = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
            ReleaseDC(nullptr, screen);
        }
    }
    return dotsPerInch == 0 ? CScale{} : CScale::fromDotsPerInch(static_cast<int32_t>(dotsPerInch));
}

CPos windowScreenCorner(NativeWindow window) {
    RECT screen{};
    GetWindowRect(window, &screen);
    return CPos{screen.left, screen.top};
}

} // namespace tovrel
