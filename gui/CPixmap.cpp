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

// A bitmap resource of this module and its size; null when there is none.
HBITMAP loadBitmap(int32_t number, int32_t& bitmapWidth, int32_t& bitmapHeight) {
    HBITMAP loaded = LoadBitmapA(static_cast<HINSTANCE>(moduleInstance),
                                 MAKEINTRESOURCEA(static_cast<WORD>(number & 0xFFFF)));
    BITMAP description{};
    if (loaded && GetObjectA(loaded, sizeof(description), &description)) {
        bitmapWidth = description.bmWidth;
        bitmapHeight = description.bmHeight;
    }
    return loaded;
}

} // namespace

int32_t CPixmap::scaledResourceNumber(int32_t resourceNumber, const CScale& scale) {
    const int32_t number = resourceNumber & 0xFFFF;
    const int32_t percent = scale.getPercent();
    if (percent == 100 || percent % 25 != 0)
        return number;
    // 125 % is the number plus 1000, 150 % plus 2000, ... 300 % plus 8000.
    const int32_t scaled = number + 1000 * (percent / 25 - 4);
    return scaled <= 0xFFFF ? scaled : number;
}

CPixmap::CPixmap(int32_t resourceNumber) {
    CPixmap::loadResource(resourceNumber);
    keyColor = kRgbaKeyWhite;
}

CPixmap::~CPixmap() {
    if (bitmap)
        DeleteObject(bitmap);
    if (scaledBitmap)
        DeleteObject(scaledBitmap);
}

void CPixmap::unload() {
    if (bitmap)
        DeleteObject(bitmap);
    if (scaledBitmap)
        DeleteObject(scaledBitmap);
    bitmap = nullptr;
    scaledBitmap = nullptr;
    scaledFor = CScale{};
    width = 0;
    height = 0;
}

bool CPixmap::loadResource(int32_t resourceNumber) {
    unload();
    resource = resourceNumber & 0xFFFF;
    bitmap = loadBitmap(resource, width, height);
    return bitmap && width > 0;
}

bool CPixmap::sourceFor(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset,
                        SourceRegion& region) {
    if (!bitmap || !context)
        return false;
    const CScale& scale = context->getScale();
    if (scale.isUnity()) {
        region = SourceRegion{bitmap, sourceOffset, CPos{area.width(), area.height()}, false};
        return true;
    }
    if (scale != scaledFor) {
        if (scaledBitmap)
            DeleteObject(scaledBitmap);
        scaledBitmap = nullptr;
        scaledFor = scale;
        const int32_t number = scaledResourceNumber(resource, scale);
        if (number != resource)
            scaledBitmap = loadBitmap(number, scaledWidth, scaledHeight);
    }
    // The region's edges are rounded like every other edge, so that neighbouring regions of one
    // picture tile the device; drawn from the region's device corner in the destination.
    const CPos corner = scale.toDevice(sourceOffset);
    const CPos end = scale.toDevice(CPos{sourceOffset.h + area.width(), sourceOffset.v + area.height()});
    if (scaledBitmap) {
        const int32_t right = end.h < scaledWidth ? end.h : scaledWidth;
        const int32_t bottom = end.v < scaledHeight ? end.v : scaledHeight;
        region = SourceRegion{scaledBitmap, corner, CPos{right - corner.h, bottom - corner.v}, false};
    } else {
        region = SourceRegion{bitmap, sourceOffset, CPos{end.h - corner.h, end.v - corner.v}, true};
    }
    return region.size.h > 0 && region.size.v > 0;
}

void CPixmap::drawCopy(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset) {
    SourceRegion region;
    if (!sourceFor(context, area, sourceOffset, region))
        return;
    SourceDevice source(context->getDevice(), region.bitmap);
    const RECT target = context->deviceArea(area);
    if (region.stretched) {
        // A picture without its own drawing for the scale: each of its pixels becomes a block of
        // whole device pixels, never a blend.
        const int previousMode = SetStretchBltMode(context->getDevice(), COLORONCOLOR);
        StretchBlt(context->getDevice(), target.left, target.top, region.size.h, region.size.v, source.get(),
                   region.corner.h, region.corner.v, area.width(), area.height(), SRCCOPY);
        SetStretchBltMode(context->getDevice(), previousMode);
        return;
    }
    BitBlt(context->getDevice(), target.left, target.top, region.size.h, region.size.v, source.get(),
           region.corner.h, region.corner.v, SRCCOPY);
}

void CPixmap::drawKeyed(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset) {
    // Like the other two draws, a pixmap that failed to load draws nothing.
    SourceRegion region;
    if (!sourceFor(context, area, sourceOffset, region))
        return;
    SourceDevice source(context->getDevice(), region.bitmap);
    const CPos sourceSize = region.stretched ? CPos{area.width(), area.height()} : region.size;
    context->blitKeyed(area, region.corner, sourceSize, region.size, source.get(), keyColor.gdiColour());
}

void CPixmap::drawBlended(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset,
                          uint8_t opacity) {
    SourceRegion region;
    if (!alphaBlendEntry || !sourceFor(context, area, sourceOffset, region))
        return;
    HDC target = context->getDevice();
    const RECT placed = context->deviceArea(area);
    const int x = placed.left;
    const int y = placed.top;
    const int w = region.size.h;
    const int h = region.size.v;
    const int sourceWidth = region.stretched ? area.width() : w;
    const int sourceHeight = region.stretched ? area.height() : h;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, 0};
    SourceDevice source(target, region.bitmap);

    const bool windows98 =
        osVersion.dwPlatformId == 1 && osVersion.dwMajorVersion == 4 && osVersion.dwMinorVersion == 10;
    if (windows98) {
        // This platform's AlphaBlend reads the source from (0, 0) only: copy the region there first.
        HDC staging = CreateCompatibleDC(target);
        HBITMAP copied = CreateCompatibleBitmap(source.get(), sourceWidth, sourceHeight);
        HGDIOBJ previous = SelectObject(staging, copied);
        BitBlt(staging, 0, 0, sourceWidth, sourceHeight, source.get(), region.corner.h, region.corner.v,
               SRCCOPY);
        alphaBlendEntry(target, x, y, w, h, staging, 0, 0, sourceWidth, sourceHeight, blend);
        SelectObject(staging, previous);
        DeleteDC(staging);
        DeleteObject(copied);
        return;
    }
    alphaBlendEntry(target, x, y, w, h, source.get(), region.corner.h, region.corner.v, sourceWidth,
                    sourceHeight, blend);
}

} // namespace tovrel
