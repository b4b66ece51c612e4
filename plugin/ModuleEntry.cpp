// The DLL's load-time entry: records the module handle for the toolkit's resources and window
// class.
#include "gui/ModuleInstance.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
    tovrel::moduleInstance = instance;
    return TRUE;
}
