#pragma once

#include "gui/platform/PlatformPainter.h"

#include <windows.h>

namespace tovrel {

// GDI under a paint context: a window's device context (given, or borrowed from the window for
// the painter's life), or a memory device holding a back buffer's bitmap. The pen, brush and font
// it makes are selected into the device while the painter lives; what the device held before
// goes back in when it ends. Without a device, GDI's calls fail and nothing is drawn.
class Win32Painter final : public PlatformPainter {
public:
    Win32Painter(HDC device, HWND window);
    // A back buffer of `size` pixels compatible with `window`'s device (the screen's without one).
    Win32Painter(HWND window, CPos size);
    ~Win32Painter() override;

    Win32Painter(const Win32Painter&) = delete;
    Win32Painter& operator=(const Win32Painter&) = delete;

    NativeDevice nativeDevice() const override { return device; }
    void setPen(const CRgba& colour, int32_t width) override;
    void setFill(const CRgba& colour) override;
    void setTextColour(const CRgba& colour) override;
    void setFont(const PlatformFont& request) override;
    void setClip(const CRectangle& area) override;
    void fillArea(const CRectangle& area) override;
    void drawPolyline(const CPos* points, int32_t count) override;
    void fillWithPen(const CRectangle* areas, int32_t count) override;
    void drawText(const char* text, const CRectangle& box, int32_t alignment, bool opaque) override;
    void drawBitmap(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                    const CRectangle& target) override;
    void drawBitmapKeyed(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                         const CRectangle& target, const CRgba& key) override;
    bool canBlend() const override;
    void drawBitmapBlended(const PlatformBitmap& source, CPos sourceCorner, CPos sourceSize,
                           const CRectangle& target, uint8_t opacity) override;
    void copyFrom(const PlatformPainter& source, CPos sourceCorner, const CRectangle& target) override;

private:
    // Remembers what the device holds, and sets the modes every paint context draws with.
    void takeDevice();

    HDC device{nullptr};
    HWND window{nullptr};
    HDC ownedDevice{nullptr};     // borrowed from the window, given back at the end
    bool memoryDevice{false};     // a back buffer's own device, deleted at the end
    HBITMAP buffer{nullptr};      // a back buffer's pixels, selected into its memory device
    HGDIOBJ savedBitmap{nullptr}; // what the memory device held before the buffer
    HPEN pen{nullptr};
    HBRUSH brush{nullptr};
    HFONT font{nullptr};
    COLORREF penColour{0};
    HGDIOBJ savedBrush{nullptr};
    HGDIOBJ savedPen{nullptr};
    HGDIOBJ savedFont{nullptr};
};

} // namespace tovrel
