#pragma once

#include "gui/CPos.h"

#include <cstdint>

namespace tovrel {

// The mouse buttons and modifier keys held at this moment, as the kMouse and kKey bits of
// gui/CPaintContext.h; the left and right bits follow the user's swapped-buttons setting.
int32_t currentButtons();
// The pointer on the screen, in device pixels.
CPos pointerOnScreen();

// A millisecond clock that wraps at 2^32, and a sleep of the calling thread.
uint32_t platformTicks();
void platformSleep(uint32_t milliseconds);
// The calling thread, as a number no other living thread has.
unsigned long currentThreadId();
// Delivers one pending expose of this thread's windows, if there is one: the idle pump runs it
// while a control keeps the thread busy following the mouse.
void dispatchPendingPaint();

} // namespace tovrel
