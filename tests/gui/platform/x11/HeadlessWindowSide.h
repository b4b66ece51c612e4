#pragma once

#include "gui/CScale.h"
#include "gui/platform/PlatformWindow.h"

namespace tovrel::headless {

// The window side of the platform seam for tests that paint the toolkit without an X server:
// a frame window that opens at once and shows nothing, on a screen of the scale the test sets,
// with no pointer, no buttons, no menu and no stored settings. The frame's event receiver is
// kept, so that a test exposes the window as the X11 window does: with a Cairo context.
void setScreenScale(const CScale& scale);
// The receiver and size of the frame window opened last; null before any opens.
PlatformWindowEvents* openedWindowEvents();
CPos openedWindowSize();

} // namespace tovrel::headless
