#pragma once

#include "gui/platform/PlatformBitmap.h"

#include <windows.h>

namespace tovrel {

// A device-dependent bitmap loaded from the library's resources; deleted with the object.
class Win32Bitmap final : public PlatformBitmap {
public:
    Win32Bitmap(HBITMAP loaded, int32_t pixelWidth, int32_t pixelHeight)
        : bitmap(loaded), bitmapWidth(pixelWidth), bitmapHeight(pixelHeight) {}
    ~Win32Bitmap() override { DeleteObject(bitmap); }

    Win32Bitmap(const Win32Bitmap&) = delete;
    Win32Bitmap& operator=(const Win32Bitmap&) = delete;

    int32_t width() const override { return bitmapWidth; }
    int32_t height() const override { return bitmapHeight; }
    NativeBitmap nativeBitmap() const override { return bitmap; }
    HBITMAP handle() const { return bitmap; }

private:
    HBITMAP bitmap{nullptr};
    int32_t bitmapWidth{0};
    int32_t bitmapHeight{0};
};

} // namespace tovrel
