// Pointer, buttons, clock, threads and pending paints under Windows.
#include "gui/CPaintContext.h"
#include "gui/platform/PlatformSystem.h"
#include "gui/platform/win32/PlatformEntries.h"

#include <windows.h>

namespace tovrel {

namespace {

// The bit of the asynchronous key state that says the key is down at the moment of the call.
constexpr SHORT kKeyDownNow = static_cast<SHORT>(0x8000);

bool keyHeld(int virtualKey) {
    return (GetAsyncKeyState(virtualKey) & kKeyDownNow) != 0;
}

} // namespace

int32_t currentButtons() {
    int32_t buttons = 0;
    if (keyHeld(VK_LBUTTON))
        buttons |= buttonsSwapped ? kMouseRight : kMouseLeft;
    if (keyHeld(VK_MBUTTON))
        buttons |= kMouseMiddle;
    if (keyHeld(VK_RBUTTON))
        buttons |= buttonsSwapped ? kMouseLeft : kMouseRight;
    if (keyHeld(VK_SHIFT))
        buttons |= kKeyShift;
    if (keyHeld(VK_CONTROL))
        buttons |= kKeyControl;
    if (keyHeld(VK_MENU))
        buttons |= kKeyAlt;
    return buttons;
}

CPos pointerOnScreen() {
    POINT cursor{};
    GetCursorPos(&cursor);
    return CPos{cursor.x, cursor.y};
}

uint32_t platformTicks() {
    return GetTickCount();
}

void platformSleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}

unsigned long currentThreadId() {
    return GetCurrentThreadId();
}

void dispatchPendingPaint() {
    MSG message{};
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&message);
}

} // namespace tovrel
