#include "gui/CPaintContext.h"

#include "gui/CFrameServices.h"
#include "gui/CView.h"
#include "gui/PlatformEntries.h"

#include <cstring>

namespace tovrel {

namespace {

// The bit of the asynchronous key state that says the key is down at the moment of the call.
constexpr SHORT kKeyDownNow = static_cast<SHORT>(0x8000);

bool keyHeld(int virtualKey) {
    return (GetAsyncKeyState(virtualKey) & kKeyDownNow) != 0;
}

} // namespace

int32_t currentButtons() {
    int32_t buttons = 0;
    if (keyHeld(VK_LBUTTON))
        buttons |= buttonsSwapped ? kMouseRight : kMouseLeft;
    if (keyHeld(VK_MBUTTON))
        buttons |= kMouseMiddle;
    if (keyHeld(VK_RBUTTON))
        buttons |= buttonsSwapped ? kMouseLeft : kMouseRight;
    if (keyHeld(VK_SHIFT))
        buttons |= kKeyShift;
    if (keyHeld(VK_CONTROL))
        buttons |= kKeyControl;
    if (keyHeld(VK_MENU))
        buttons |= kKeyAlt;
    return buttons;
}

CPaintContext::CPaintContext(CFrameServices* owner, HDC dc, HWND windowHandle)
    : device(dc), window(windowHandle), frame(owner) {
    if (frame) {
        frame->frameView()->getBounds(clipArea);
        scale = frame->frameScale();
    } else
        clipArea = CRectangle{0, 0, 1000, 1000};

    if (!device && window) {
        device = GetDC(window);
        ownedDevice = device;
    }
    if (device) {
        savedBrush = GetCurrentObject(device, OBJ_BRUSH);
        savedPen = GetCurrentObject(device, OBJ_PEN);
        savedFont = GetCurrentObject(device, OBJ_FONT);
        SetBkMode(device, TRANSPARENT);
    }
    penStyle = PS_SOLID;
    if (window) {
        RECT screen{};
        GetWindowRect(window, &screen);
        windowCorner = CPos{screen.left, screen.top};
        windowOrigin = windowCorner;
    }

    setStrokeColor(kRgbaWhite);
    setStrokeStyle(0);
    setStrokeWidth(1);
    setFillColor(kRgbaBlack);
    setTextColor(kRgbaWhite);
    selectFont(0, 0);
    if (drawMode != 0) {
        drawMode = 0;
        if (device)
            SetROP2(device, R2_COPYPEN);
    }
}

void CPaintContext::restoreSelections() {
    if (device) {
        if (savedBrush)
            SelectObject(device, savedBrush);
        if (savedPen)
            SelectObject(device, savedPen);
        if (savedFont)
            SelectObject(device, savedFont);
    }
    savedBrush = savedPen = savedFont = nullptr;
}

CPaintContext::~CPaintContext() {
    restoreSelections();
    if (brush)
        DeleteObject(brush);
    if (pen)
        DeleteObject(pen);
    if (font)
        DeleteObject(font);
    if (ownedDevice)
        ReleaseDC(window, ownedDevice);
}

RECT CPaintContext::deviceArea(const CRectangle& area) const {
    CRectangle inWindow = area;
    inWindow.offset(offset).offset(bufferOrigin);
    const CRectangle scaled = scale.toDevice(inWindow);
    const CPos corner = scale.toDevice(bufferOrigin);
    return RECT{scaled.left - corner.h, scaled.top - corner.v, scaled.right - corner.h,
                scaled.bottom - corner.v};
}

CPos CPaintContext::devicePoint(CPos where) const {
    const CPos scaled =
        scale.toDevice(CPos{where.h + offset.h + bufferOrigin.h, where.v + offset.v + bufferOrigin.v});
    const CPos corner = scale.toDevice(bufferOrigin);
    return CPos{scaled.h - corner.h, scaled.v - corner.v};
}

CPos CPaintContext::viewPointFromScreen(CPos screen) const {
    const CPos inWindow = scale.toView(CPos{screen.h - windowCorner.h, screen.v - windowCorner.v});
    return CPos{inWindow.h - (windowOrigin.h - windowCorner.h),
                inWindow.v - (windowOrigin.v - windowCorner.v)};
}

void CPaintContext::replacePen() {
    LOGPEN description{};
    description.lopnStyle = static_cast<UINT>(penStyle);
    description.lopnWidth.x = strokeWidth;
    description.lopnColor = strokeColor.gdiColour();
    HPEN made = CreatePenIndirect(&description);
    if (device)
        SelectObject(device, made);
    if (pen)
        DeleteObject(pen);
    pen = made;
}

void CPaintContext::setStrokeColor(const CRgba& colour) {
    if (colour == strokeColor)
        return;
    strokeColor = colour;
    replacePen();
}

void CPaintContext::setStrokeStyle(int32_t /*style*/) {
    // Solid is the only style the editor draws with.
    if (strokeStyle == 0)
        return;
    strokeStyle = 0;
    penStyle = PS_SOLID;
    replacePen();
}

void CPaintContext::setStrokeWidth(int32_t /*width*/) {
    // One pixel is the only width the editor draws with.
    if (strokeWidth == 1)
        return;
    strokeWidth = 1;
    replacePen();
}

void CPaintContext::setFillColor(const CRgba& colour) {
    if (colour == fillColor)
        return;
    fillColor = colour;
    if (device)
        SetBkColor(device, colour.gdiColour());
    LOGBRUSH description{};
    description.lbStyle = BS_SOLID;
    description.lbColor = colour.gdiColour();
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

void CPaintContext::setTextColor(const CRgba& colour) {
    textColor = colour;
    if (device)
        SetTextColor(device, colour.gdiColour());
}

void CPaintContext::selectFont(int32_t number, int32_t style) {
    if (static_cast<uint32_t>(number) >= static_cast<uint32_t>(kFontCount))
        number = 0;
    const CFontEntry& entry = kFontTable[number];
    if (number == fontNumber && entry.height == fontSize && style == fontStyle)
        return;
    fontStyle = style;
    fontNumber = number;
    fontSize = entry.height;

    LOGFONTA description{};
    description.lfHeight = -scale.toDevice(entry.height);
    description.lfWeight = (style & kFontBold) ? FW_BOLD : FW_NORMAL;
    description.lfItalic = (style & kFontItalic) ? TRUE : FALSE;
    description.lfUnderline = (style & kFontUnderline) ? TRUE : FALSE;
    description.lfStrikeOut = FALSE;
    description.lfCharSet = ANSI_CHARSET;
    description.lfOutPrecision = OUT_STRING_PRECIS;
    description.lfClipPrecision = CLIP_STROKE_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    if (number == 7)
        description.lfPitchAndFamily = FF_DECORATIVE;
    if (number == 0)
        description.lfWeight = FW_BOLD;
    std::strncpy(description.lfFaceName, entry.face, LF_FACESIZE - 1);

    HFONT made = CreateFontIndirectA(&description);
    if (device)
        SelectObject(device, made);
    if (font)
        DeleteObject(font);
    font = made;
}

void CPaintContext::setClipArea(const CRectangle& area) {
    CRectangle shifted = area;
    shifted.offset(offset);
    if (shifted == clipArea)
        return;
    clipArea = shifted;
    const RECT inDevice = deviceArea(area);
    HRGN region = CreateRectRgn(inDevice.left, inDevice.top, inDevice.right, inDevice.bottom);
    SelectClipRgn(device, region);
    DeleteObject(region);
}

void CPaintContext::outlineArea(const CRectangle& area) {
    const CPos corners[] = {{area.left, area.top},
                            {area.right - 1, area.top},
                            {area.right - 1, area.bottom - 1},
                            {area.left, area.bottom - 1},
                            {area.left, area.top}};
    drawLines(corners, 5);
}

void CPaintContext::drawLines(const CPos* points, int32_t count) {
    if (!points || count < 2)
        return;
    if (scale.isUnity()) {
        const CPos start = devicePoint(points[0]);
        MoveToEx(device, start.h, start.v, nullptr);
        for (int32_t i = 1; i < count; ++i) {
            const CPos next = devicePoint(points[i]);
            LineTo(device, next.h, next.v);
        }
        return;
    }
    // Each line covers the view pixels from its start up to its end, which the next line starts
    // from; as a band of whole device pixels, one view pixel wide.
    HBRUSH stroke = CreateSolidBrush(strokeColor.gdiColour());
    for (int32_t i = 1; i < count; ++i) {
        const CPos from = points[i - 1];
        const CPos to = points[i];
        CRectangle band;
        if (from.v == to.v)
            band = CRectangle{from.h < to.h ? from.h : to.h + 1, from.v, from.h < to.h ? to.h : from.h + 1,
                              from.v + 1};
        else if (from.h == to.h)
            band = CRectangle{from.h, from.v < to.v ? from.v : to.v + 1, from.h + 1,
                              from.v < to.v ? to.v : from.v + 1};
        else
            continue;
        const RECT filled = deviceArea(band);
        FillRect(device, &filled, stroke);
    }
    DeleteObject(stroke);
}

void CPaintContext::fillArea(const CRectangle& area) {
    const RECT filled = deviceArea(CRectangle{area.left + 1, area.top + 1, area.right, area.bottom});
    HGDIOBJ previousPen = SelectObject(device, GetStockObject(NULL_PEN));
    FillRect(device, &filled, brush);
    if (previousPen)
        SelectObject(device, previousPen);
}

void CPaintContext::drawText(const char* text, const CRectangle& area, int16_t opaque, int32_t alignment) {
    if (!text)
        return;
    CRectangle box = area;
    SetBkMode(device, opaque ? OPAQUE : TRANSPARENT);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (alignment == kAlignCenter) {
        format |= DT_CENTER;
    } else if (alignment == kAlignRight) {
        format |= DT_RIGHT;
    } else {
        format |= DT_LEFT;
        box.left += 1;
    }
    RECT deviceBox = deviceArea(box);
    DrawTextA(device, text, static_cast<int>(std::strlen(text)), &deviceBox, format);
    SetBkMode(device, TRANSPARENT);
}

void CPaintContext::blitKeyed(const CRectangle& area, const CPos& sourceCorner, const CPos& sourceSize,
                              const CPos& deviceSize, HDC source, COLORREF keyColour) {
    const RECT target = deviceArea(area);
    const int x = target.left;
    const int y = target.top;
    const int w = deviceSize.h;
    const int h = deviceSize.v;
    const int sx = sourceCorner.h;
    const int sy = sourceCorner.v;
    if (w <= 0 || h <= 0)
        return;

    if (transparentBltEntry) {
        transparentBltEntry(device, x, y, w, h, source, sx, sy, sourceSize.h, sourceSize.v, keyColour);
        return;
    }
    if (sourceSize != deviceSize) {
        // Only a platform without TransparentBlt and without drawings for the scale comes here:
        // the picture is stretched without its key.
        StretchBlt(device, x, y, w, h, source, sx, sy, sourceSize.h, sourceSize.v, SRCCOPY);
        return;
    }

    // Without TransparentBlt: a monochrome mask of the key colour, then exclusive-or, and, and
    // exclusive-or again, so that the destination survives exactly where the key colour was.
    HDC maskDevice = CreateCompatibleDC(device);
    const COLORREF oldBackground = SetBkColor(device, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(device, RGB(0, 0, 0));
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ previousMask = SelectObject(maskDevice, mask);
    SetBkColor(source, keyColour);
    BitBlt(maskDevice, 0, 0, w, h, source, sx, sy, SRCCOPY);
    BitBlt(device, x, y, w, h, source, sx, sy, SRCINVERT);
    BitBlt(device, x, y, w, h, maskDevice, 0, 0, SRCAND);
    BitBlt(device, x, y, w, h, source, sx, sy, SRCINVERT);
    SelectObject(maskDevice, previousMask);
    DeleteObject(mask);
    DeleteDC(maskDevice);
    SetBkColor(device, oldBackground);
    SetTextColor(device, oldText);
}

} // namespace tovrel
