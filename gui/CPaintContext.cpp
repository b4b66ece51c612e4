#include "gui/CPaintContext.h"

#include "gui/CFrameServices.h"
#include "gui/CView.h"
#include "gui/platform/PlatformWindow.h"

namespace tovrel {

CPaintContext::CPaintContext(CFrameServices* owner, NativeDevice device, NativeWindow windowHandle)
    : window(windowHandle), frame(owner) {
    takeFrameSettings();
    painter = makeWindowPainter(device, window);
    if (window) {
        windowCorner = windowScreenCorner(window);
        windowOrigin = windowCorner;
    }
    applyFirstSettings();
}

CPaintContext::CPaintContext(CFrameServices* owner, CPos size, CPos windowPlace) : frame(owner) {
    takeFrameSettings();
    bufferOrigin = windowPlace;
    const CRectangle deviceSize = deviceArea(CRectangle{0, 0, size.h, size.v});
    // Without a frame window the screen's device stands in, so that a buffer can always be made.
    painter = makeBufferPainter(frame ? frame->frameWindow() : NativeWindow{},
                                CPos{deviceSize.right, deviceSize.bottom});
    applyFirstSettings();
}

void CPaintContext::takeFrameSettings() {
    if (frame) {
        frame->frameView()->getBounds(clipArea);
        scale = frame->frameScale();
    } else
        clipArea = CRectangle{0, 0, 1000, 1000};
}

void CPaintContext::applyFirstSettings() {
    setStrokeColor(kRgbaWhite);
    setStrokeStyle(0);
    setStrokeWidth(1);
    setFillColor(kRgbaBlack);
    setTextColor(kRgbaWhite);
    selectFont(0, 0);
    drawMode = 0; // the painter copies what it draws
}

CPaintContext::~CPaintContext() = default;

CRectangle CPaintContext::deviceArea(const CRectangle& area) const {
    CRectangle inWindow = area;
    inWindow.offset(offset).offset(bufferOrigin);
    CRectangle scaled = scale.toDevice(inWindow);
    const CPos corner = scale.toDevice(bufferOrigin);
    return scaled.offset(-corner.h, -corner.v);
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
    painter->setPen(strokeColor, strokeWidth);
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
    painter->setFill(colour);
}

void CPaintContext::setTextColor(const CRgba& colour) {
    textColor = colour;
    painter->setTextColour(colour);
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

    PlatformFont request;
    request.face = entry.face;
    request.pixelHeight = scale.toDevice(entry.height);
    // Font 0 is always bold, and font 7 is a symbol font.
    request.bold = (style & kFontBold) != 0 || number == 0;
    request.italic = (style & kFontItalic) != 0;
    request.underline = (style & kFontUnderline) != 0;
    request.symbol = number == 7;
    painter->setFont(request);
}

void CPaintContext::setClipArea(const CRectangle& area) {
    CRectangle shifted = area;
    shifted.offset(offset);
    if (shifted == clipArea)
        return;
    clipArea = shifted;
    painter->setClip(deviceArea(area));
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
    constexpr int32_t kBatch = 16;
    CPos devicePoints[kBatch];
    if (scale.isUnity()) {
        // In batches that share their end points, so that any number of points draws as one line.
        int32_t from = 0;
        while (from < count - 1) {
            const int32_t batch = count - from < kBatch ? count - from : kBatch;
            for (int32_t i = 0; i < batch; ++i)
                devicePoints[i] = devicePoint(points[from + i]);
            painter->drawPolyline(devicePoints, batch);
            from += batch - 1;
        }
        return;
    }
    // Each line covers the view pixels from its start up to its end, which the next line starts
    // from; as a band of whole device pixels, one view pixel wide.
    CRectangle bands[kBatch];
    int32_t banded = 0;
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
        bands[banded++] = deviceArea(band);
        if (banded == kBatch) {
            painter->fillWithPen(bands, banded);
            banded = 0;
        }
    }
    painter->fillWithPen(bands, banded);
}

void CPaintContext::fillArea(const CRectangle& area) {
    painter->fillArea(deviceArea(CRectangle{area.left + 1, area.top + 1, area.right, area.bottom}));
}

void CPaintContext::drawText(const char* text, const CRectangle& area, int16_t opaque, int32_t alignment) {
    if (!text)
        return;
    CRectangle box = area;
    if (alignment != kAlignCenter && alignment != kAlignRight)
        box.left += 1;
    painter->drawText(text, deviceArea(box), alignment, opaque != 0);
}

} // namespace tovrel
