#include "gui/platform/win32/Win32Bitmap.h"

#include "gui/ModuleInstance.h"

namespace tovrel {

std::unique_ptr<PlatformBitmap> loadBitmapResource(int32_t number) {
    HBITMAP loaded = LoadBitmapA(static_cast<HINSTANCE>(moduleInstance),
                                 MAKEINTRESOURCEA(static_cast<WORD>(number & 0xFFFF)));
    if (!loaded)
        return nullptr;
    BITMAP description{};
    if (!GetObjectA(loaded, sizeof(description), &description))
        description = BITMAP{};
    return std::make_unique<Win32Bitmap>(loaded, description.bmWidth, description.bmHeight);
}

} // namespace tovrel
