#pragma once

#include "gui/CScale.h"

#include <cstdint>

// Xlib's display type, declared as <X11/Xlib.h> declares it, so that this header stays free of
// the X headers' macros.
typedef struct _XDisplay Display;

namespace tovrel {

// The X server's idea of the screen's density: desktops store it as the resource "Xft.dpi" in
// the resource database that the server keeps on the root window (RESOURCE_MANAGER, what xrdb
// loads and XResourceManagerString returns). Screens without it are taken at 96 DPI, 100 %.

// The value of Xft.dpi (or Xft*dpi) in a resource string, rounded to whole dots per inch; 0 when
// the string is null, names no such resource, or gives no positive number up to 2400. The last
// entry wins, as it does when the database is loaded; comment lines ("!") are skipped.
int32_t xftDotsPerInch(const char* resources);

// The scale for a resource string: CScale::fromDotsPerInch of its Xft.dpi, 100 % without one.
CScale screenScaleFromResources(const char* resources);

// The scale of the display's screens, from the root window's RESOURCE_MANAGER property as it is
// now (read afresh, so that a change made with xrdb after the connection opened counts).
CScale screenScaleOf(Display* display);

} // namespace tovrel
