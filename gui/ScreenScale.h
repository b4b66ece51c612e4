#pragma once

#include "gui/CScale.h"

#include <windows.h>

namespace tovrel {

// The scale of the screen that shows `window`: its own DPI where the platform keeps one per
// window (Windows 10 1607 and later), else the system's; 96 DPI is 100 %. A null window asks for
// the system's scale. The newer platform functions are looked up at run time, so that the plug-in
// still loads where they do not exist.
CScale screenScaleOf(HWND window);

} // namespace tovrel
