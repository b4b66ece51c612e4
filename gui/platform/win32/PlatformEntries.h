#pragma once

#include <windows.h>

namespace tovrel {

// Process-wide platform state shared by every editor of the process. The frame fills it when it
// is constructed and when it registers its window class; the paint context and the pixmap only
// read it.

// The two optional imaging functions of "msimg32.dll", looked up at run time; null when absent.
using AlphaBlendFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
using TransparentBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);
extern AlphaBlendFunction alphaBlendEntry;
extern TransparentBltFunction transparentBltEntry;

// The platform version, filled only when the imaging library was found; all zero otherwise.
extern OSVERSIONINFOA osVersion;

// The user's swapped-mouse-buttons setting.
extern bool buttonsSwapped;

} // namespace tovrel
