#pragma once

#include <cstdint>

// The handles that cross the toolkit's platform seam: a window (the frame's own and its host's),
// the device a paint context draws on, and a loaded picture. The portable toolkit only passes
// them along and compares them with "none" ({}); it never looks inside. On Windows they are the
// system's own HWND, HDC and HBITMAP, so that the toolkit's public operations keep their Windows
// signatures; under X11 they are a window id, a Cairo context and a Cairo image surface. Only the
// handle types are named here: no platform header comes with them.
#if defined(_WIN32)

struct HWND__;
struct HDC__;
struct HBITMAP__;

namespace tovrel {

using NativeWindow = HWND__*;
using NativeDevice = HDC__*;
using NativeBitmap = HBITMAP__*;

// The host's window as the host passes it to the editor.
inline NativeWindow nativeWindowFrom(void* hostHandle) {
    return static_cast<NativeWindow>(hostHandle);
}

} // namespace tovrel

#else

struct _cairo;
struct _cairo_surface;

namespace tovrel {

using NativeWindow = unsigned long; // an X11 Window
using NativeDevice = _cairo*;
using NativeBitmap = _cairo_surface*;

inline NativeWindow nativeWindowFrom(void* hostHandle) {
    return static_cast<NativeWindow>(reinterpret_cast<uintptr_t>(hostHandle));
}

} // namespace tovrel

#endif
