#include "gui/CPixmap.h"

#include "gui/CPaintContext.h"
#include "gui/ModuleInstance.h"
#include "gui/PlatformEntries.h"

namespace tovrel {

namespace {

// A memory device holding the pixmap's bitmap for the length of one draw.
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

CPixmap::CPixmap(int32_t resourceNumber) {
    CPixmap::loadResource(resourceNumber);
    keyColor = kRgbaKeyWhite;
}

CPixmap::~CPixmap() {
    if (bitmap)
        DeleteObject(bitmap);
}

void CPixmap::unload() {
    if (bitmap)
        DeleteObject(bitmap);
    bitmap = nullptr;
    width = 0;
    height = 0;
}

bool CPixmap::loadResource(int32_t resourceNumber) {
    unload();
    const WORD number = static_cast<WORD>(resourceNumber & 0xFFFF);
    bitmap = LoadBitmapA(static_cast<HINSTANCE>(moduleInstance), MAKEINTRESOURCEA(number));
    BITMAP description{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(description), &description))
        return false;
    width = description.bmWidth;
    height = description.bmHeight;
    return true;
}

void CPixmap::drawCopy(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset) {
    if (!bitmap || !context)
        return;
    SourceDevice source(context->getDevice(), bitmap);
    BitBlt(context->getDevice(), area.left + context->getOffset().h, area.top + context->getOffset().v,
           area.width(), area.height(), source.get(), sourceOffset.h, sourceOffset.v, SRCCOPY);
}

void CPixmap::drawKeyed(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset) {
    // Like the other two draws, a pixmap that failed to load draws nothing.
    if (!bitmap || !context)
        return;
    SourceDevice source(context->getDevice(), bitmap);
    context->blitKeyed(area, sourceOffset, source.get(), keyColor.gdiColour());
}

void CPixmap::drawBlended(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset,
                          uint8_t opacity) {
    if (!bitmap || !context || !alphaBlendEntry)
        return;
    HDC target = context->getDevice();
    const int x = area.left + context->getOffset().h;
    const int y = area.top + context->getOffset().v;
    const int w = area.width();
    const int h = area.height();
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, 0};
    SourceDevice source(target, bitmap);

    const bool windows98 =
        osVersion.dwPlatformId == 1 && osVersion.dwMajorVersion == 4 && osVersion.dwMinorVersion == 10;
    if (windows98) {
        // This platform's AlphaBlend reads the source from (0, 0) only: copy the region there first.
        HDC staging = CreateCompatibleDC(target);
        HBITMAP region = CreateCompatibleBitmap(source.get(), w, h);
        HGDIOBJ previous = SelectObject(staging, region);
        BitBlt(staging, 0, 0, w, h, source.get(), sourceOffset.h, sourceOffset.v, SRCCOPY);
        alphaBlendEntry(target, x, y, w, h, staging, 0, 0, w, h, blend);
        SelectObject(staging, previous);
        DeleteDC(staging);
        DeleteObject(region);
        return;
    }
    alphaBlendEntry(target, x, y, w, h, source.get(), sourceOffset.h, sourceOffset.v, w, h, blend);
}

} // namespace tovrel
