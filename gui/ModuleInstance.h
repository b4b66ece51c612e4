#pragma once

namespace tovrel {

// The loaded library's module handle, recorded by the platform's load-time entry. The GUI toolkit
// loads its bitmaps and registers its window class with it. Null where no such entry exists.
extern void* moduleInstance;

} // namespace tovrel
