#include "gui/platform/win32/Win32Painter.h"

#include "gui/CPaintContext.h"
#include "gui/platform/win32/PlatformEntries.h"
#include "gui/platform/win32/Win32Bitmap.h"

#include <cstring>
#include <type_traits>

namespace tovrel {

static_assert(std::is_same_v<NativeWindow, HWND> && std::is_same_v<NativeDevice, HDC> &&
                  std::is_same_v<NativeBitmap, HBITMAP>,
              "the seam's handles are the system's own");

namespace {

COLORREF gdiColour(const CRgba& colour) {
    return static_cast<COLORREF>(colour.gdiColour());
}

HBITMAP bitmapOf(const PlatformBitmap& source) {
    return static_cast<const Win32Bitmap&>(source).handle();
}

// A memory device holding a bitmap for the length of one draw.
class SourceDevice {
public:
    SourceDevice(HDC compatibleWith, HBITMAP bitmap)
        : device(CreateCompatibleDC(compatibleWith)), previous(SelectObject(device, bitmap)) {}
    ~SourceDevice() {
        if (previous)
            SelectObject(device, previous);
        DeleteDC(device);
    }
    SourceDevice(const SourceDevice&) = delete;
    SourceDevice& operator=(const SourceDevice&) = delete;

    HDC get() const { return device; }

private:
    HDC device;
    HGDIOBJ previous;
};

} // namespace

std::unique_ptr<PlatformPainter> makeWindowPainter(NativeDevice device, NativeWindow window) {
    return std::make_unique<Win32Painter>(device, window);
}

std::unique_ptr<PlatformPainter> makeBufferPainter(NativeWindow window, CPos size) {
    return std::make_unique<Win32Painter>(window, size);
}

Win32Painter::Win32Painter(HDC given, HWND windowHandle) : device(given), window(windowHandle) {
    if (!device && window) {
        device = GetDC(window);
        ownedDevice = device;
    }
    takeDevice();
}

Win32Painter::Win32Painter(HWND compatibleWith, CPos size) {
    HDC windowDevice = GetDC(compatibleWith);
    device = CreateCompatibleDC(windowDevice);
    memoryDevice = true;
    buffer = CreateCompatibleBitmap(windowDevice, size.h, size.v);
    savedBitmap = SelectObject(device, buffer);
    ReleaseDC(compatibleWith, windowDevice);
    takeDevice();
}

void Win32Painter::takeDevice() {
    if (!device)
        return;
    savedBrush = GetCurrentObject(device, OBJ_BRUSH);
    savedPen = GetCurrentObject(device, OBJ_PEN);
    savedFont = GetCurrentObject(device, OBJ_FONT);
    SetBkMode(device, TRANSPARENT);
    SetROP2(device, R2_COPYPEN);
}

Win32Painter::~Win32Painter() {
    // Everything the painter put into the device comes out before anything is deleted, so that
    // every object can really go.
    if (device) {
        if (savedBrush)
            SelectObject(device, savedBrush);
        if (savedPen)
            SelectObject(device, savedPen);
        if (savedFont)
            SelectObject(device, savedFont);
    }
    if (memoryDevice && device) {
        if (savedBitmap)
            SelectObject(device, savedBitmap);
        DeleteDC(device);
    }
    if (buffer)
        DeleteObject(buffer);
    if (brush)
        DeleteObject(brush);
    if (pen)
        DeleteObject(pen);
    if (font)
        DeleteObject(font);
    if (ownedDevice)
        ReleaseDC(window, ownedDevice);
}

void Win32Painter::setPen(const CRgba& colour, int32_t width) {
    LOGPEN description{};
    description.lopnStyle = PS_SOLID;
    description.lopnWidth.x = width;
    description.lopnColor = gdiColour(colour);
    HPEN made = CreatePenIndirect(&description);
    if (device)
        SelectObject(device, made);
    if (pen)
        DeleteObject(pen);
    pen = made;
    penColour = description.lopnColor;
}

void Win32Painter::setFill(const CRgba& colour) {
    if (device)
        SetBkColor(device, gdiColour(colour));
    LOGBRUSH description{};
    description.lbStyle = BS_SOLID;
    description.lbColor = gdiColour(colour);
    description.lbHatch = 0;
    HBRUSH made = CreateBrushIndirect(&description);
    if (!made)
        return;
    if (device)
        SelectObject(device, made);
    if (brush)
        DeleteObject(brush);
    brush = made;
}

void Win32Painter::setTextColour(const CRgba& colour) {
    if (device)
        SetTextColor(device, gdiColour(colour));
}

void Win32Painter::setFont(const PlatformFont& request) {
    LOGFONTA description{};
    description.lfHeight = -request.pixelHeight;
    description.lfWeight = request.bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = request.italic ? TRUE : FALSE;
    description.lfUnderline = request.underline ? TRUE : FALSE;
    description.lfStrikeOut = FALSE;
    description.lfCharSet = ANSI_CHARSET;
    description.lfOutPrecision = OUT_STRING_PRECIS;
    description.lfClipPrecision = CLIP_STROKE_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = request.symbol ? FF_DECORATIVE : (VARIABLE_PITCH | FF_SWISS);
    if (request.face)
        std::strncpy(description.lfFaceName, request.face, LF_FACESIZE - 1);

    HFONT made = CreateFontIndirectA(&description);
    if (device)
        SelectObject(device, made);
    if (font)
        DeleteObject(font);
    font = made;
}

void Win32Painter::setClip(const CRectangle& area) {
    HRGN region = CreateRectRgn(area.left, area.top, area.right, area.bottom);
    SelectClipRgn(device, region);
    DeleteObject(region);
}

void Win32Painter::fillArea(const CRectangle& area) {
    const RECT filled{area.left, area.top, area.right, area.bottom};
    HGDIOBJ previousPen = SelectObject(device, GetStockObject(NULL_PEN));
    FillRect(device, &filled, brush);
    if (previousPen)
        SelectObject(device, previousPen);
}

void Win32Painter::drawPolyline(const CPos* points, int32_t count) {
    if (!points || count < 2)
        return;
    MoveToEx(device, points[0].h, points[0].v, nullptr);
    for (int32_t i = 1; i < count; ++i)
        LineTo(device, points[i].h, points[i].v);
}

void Win32Painter::fillWithPen(const CRectangle* areas, int32_t count) {
    if (!areas || count <= 0)
        return;
    HBRUSH stroke = CreateSolidBrush(penColour);
    for (int32_t i = 0; i < count; ++i) {
        const RECT filled{areas[i].left, areas[i].top, areas[i].right, areas[i].bottom};
        FillRect(device, &filled, stroke);
    }
    DeleteObject(stroke);
}

void Win32Painter::drawText(const char* text, const CRectangle& box, int32_t alignment, bool opaque) {
    SetBkMode(device, opaque ? OPAQUE : TRANSPARENT);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (alignment == kAlignCenter)
        format |= DT_CENTER;
    else if (alignment == kAlignRight)
        format |= DT_RIGHT;
    else
        format |= DT_LEFT;
    RECT deviceBox{box.left, box.top, box.right, box.bottom};
    DrawTextA(device, text, static_cast<int>(std::strlen(text)), &deviceBox, format);
    SetBkMode(device, TRANSPARENT);
}

void Win32Painter::drawBitmap(const PlatformBitmap& picture, CPos sourceCorner, CPos sourceSize,
                              const CRectangle& target) {
    SourceDevice source(device, bitmapOf(picture));
    if (sourceSize != CPos{target.width(), target.height()}) {
        // Each picture pixel becomes a block of whole device pixels, never a blend.
        const int previousMode = SetStretchBltMode(device, COLORONCOLOR);
        StretchBlt(device, target.left, target.top, target.width(), target.height(), source.get(),
                   sourceCorner.h, sourceCorner.v, sourceSize.h, sourceSize.v, SRCCOPY);
        SetStretchBltMode(device, previousMode);
        return;
    }
    BitBlt(device, target.left, target.top, target.width(), target.height(), source.get(), sourceCorner.h,
           sourceCorner.v, SRCCOPY);
}

void Win32Painter::drawBitmapKeyed(const PlatformBitmap& picture, CPos sourceCorner, CPos sourceSize,
                                   const CRectangle& target, const CRgba& key) {
    SourceDevice source(device, bitmapOf(picture));
    const COLORREF keyColour = gdiColour(key);
    const int x = target.left;
    const int y = target.top;
    const int w = target.width();
    const int h = target.height();
    const int sx = sourceCorner.h;
    const int sy = sourceCorner.v;
    if (w <= 0 || h <= 0)
        return;

    if (transparentBltEntry) {
        transparentBltEntry(device, x, y, w, h, source.get(), sx, sy, sourceSize.h, sourceSize.v, keyColour);
        return;
    }
    if (sourceSize != CPos{w, h}) {
        // Only a platform without TransparentBlt and without drawings for the scale comes here:
        // the picture is stretched without its key.
        StretchBlt(device, x, y, w, h, source.get(), sx, sy, sourceSize.h, sourceSize.v, SRCCOPY);
        return;
    }

    // Without TransparentBlt: a monochrome mask of the key colour, then exclusive-or, and, and
    // exclusive-or again, so that the destination survives exactly where the key colour was.
    HDC maskDevice = CreateCompatibleDC(device);
    const COLORREF oldBackground = SetBkColor(device, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(device, RGB(0, 0, 0));
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ previousMask = SelectObject(maskDevice, mask);
    SetBkColor(source.get(), keyColour);
    BitBlt(maskDevice, 0, 0, w, h, source.get(), sx, sy, SRCCOPY);
    BitBlt(device, x, y, w, h, source.get(), sx, sy, SRCINVERT);
    BitBlt(device, x, y, w, h, maskDevice, 0, 0, SRCAND);
    BitBlt(device, x, y, w, h, source.get(), sx, sy, SRCINVERT);
    SelectObject(maskDevice, previousMask);
    DeleteObject(mask);
    DeleteDC(maskDevice);
    SetBkColor(device, oldBackground);
    SetTextColor(device, oldText);
}

bool Win32Painter::canBlend() const {
    return alphaBlendEntry != nullptr;
}

void Win32Painter::drawBitmapBlended(const PlatformBitmap& picture, CPos sourceCorner, CPos sourceSize,
                                     const CRectangle& target, uint8_t opacity) {
    if (!alphaBlendEntry)
        return;
    const int x = target.left;
    const int y = target.top;
    const int w = target.width();
    const int h = target.height();
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, 0};
    SourceDevice source(device, bitmapOf(picture));

    const bool windows98 =
        osVersion.dwPlatformId == 1 && osVersion.dwMajorVersion == 4 && osVersion.dwMinorVersion == 10;
    if (windows98) {
        // This platform's AlphaBlend reads the source from (0, 0) only: copy the region there first.
        HDC staging = CreateCompatibleDC(device);
        HBITMAP copied = CreateCompatibleBitmap(source.get(), sourceSize.h, sourceSize.v);
        HGDIOBJ previous = SelectObject(staging, copied);
        BitBlt(staging, 0, 0, sourceSize.h, sourceSize.v, source.get(), sourceCorner.h, sourceCorner.v,
               SRCCOPY);
        alphaBlendEntry(device, x, y, w, h, staging, 0, 0, sourceSize.h, sourceSize.v, blend);
        SelectObject(staging, previous);
        DeleteDC(staging);
        DeleteObject(copied);
        return;
    }
    alphaBlendEntry(device, x, y, w, h, source.get(), sourceCorner.h, sourceCorner.v, sourceSize.h,
                    sourceSize.v, blend);
}

void Win32Painter::copyFrom(const PlatformPainter& source, CPos sourceCorner, const CRectangle& target) {
    BitBlt(device, target.left, target.top, target.width(), target.height(), source.nativeDevice(),
           sourceCorner.h, sourceCorner.v, SRCCOPY);
}

} // namespace tovrel
