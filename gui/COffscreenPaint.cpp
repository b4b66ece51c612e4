#include "gui/COffscreenPaint.h"

#include "gui/CFrameServices.h"

namespace tovrel {

COffscreenPaint::COffscreenPaint(CFrameServices* owner, int32_t width, int32_t height,
                                 const CRgba& background, CPos windowPlace)
    : CPaintContext(owner, nullptr, nullptr), viewWidth(width), viewHeight(height) {
    bufferOrigin = windowPlace;
    const RECT deviceSize = deviceArea(CRectangle{0, 0, width, height});
    clipArea = CRectangle{width < 0 ? width : 0, height < 0 ? height : 0, width < 0 ? 0 : width,
                          height < 0 ? 0 : height};

    // Without a frame window the screen's device stands in, so that a buffer can always be made.
    HWND frameWindow = frame ? frame->frameWindow() : nullptr;
    HDC windowDevice = GetDC(frameWindow);
    device = CreateCompatibleDC(windowDevice);
    bitmap = CreateCompatibleBitmap(windowDevice, deviceSize.right, deviceSize.bottom);
    savedBitmap = SelectObject(device, bitmap);
    ReleaseDC(frameWindow, windowDevice);

    // The base made its pen, brush and font before the device existed: put them in now, with the
    // rest of the base's device settings.
    savedBrush = SelectObject(device, brush);
    savedPen = SelectObject(device, pen);
    savedFont = SelectObject(device, font);
    SetBkMode(device, TRANSPARENT);
    SetBkColor(device, fillColor.gdiColour());
    SetTextColor(device, textColor.gdiColour());
    SetROP2(device, R2_COPYPEN);

    setFillColor(background);
    setStrokeColor(background);
    const CRectangle whole{0, 0, width, height};
    fillArea(whole);
    outlineArea(whole);
}

COffscreenPaint::~COffscreenPaint() {
    // Everything the buffer put into its device comes out before the device and bitmap go, so
    // that every object can really be deleted; the base then deletes its pen, brush and font.
    restoreSelections();
    if (device) {
        if (savedBitmap)
            SelectObject(device, savedBitmap);
        DeleteDC(device);
    }
    if (bitmap)
        DeleteObject(bitmap);
    device = nullptr;
}

void COffscreenPaint::copyTo(CPaintContext* destination, const CRectangle& area, const CPos& sourceOffset) {
    if (!destination)
        return;
    const RECT target = destination->deviceArea(area);
    const CPos source = devicePoint(CPos{sourceOffset.h - offset.h, sourceOffset.v - offset.v});
    BitBlt(destination->getDevice(), target.left, target.top, target.right - target.left,
           target.bottom - target.top, device, source.h, source.v, SRCCOPY);
}

} // namespace tovrel
