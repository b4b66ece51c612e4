#include "gui/CPixmap.h"

#include "gui/CPaintContext.h"

namespace tovrel {

namespace {

// A bitmap resource of this module and its size; null when there is none.
std::unique_ptr<PlatformBitmap> loadBitmap(int32_t number, int32_t& bitmapWidth, int32_t& bitmapHeight) {
    std::unique_ptr<PlatformBitmap> loaded = loadBitmapResource(number & 0xFFFF);
    if (loaded) {
        bitmapWidth = loaded->width();
        bitmapHeight = loaded->height();
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

CPixmap::~CPixmap() = default;

void CPixmap::unload() {
    bitmap.reset();
    scaledBitmap.reset();
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
        region = SourceRegion{bitmap.get(), sourceOffset, CPos{area.width(), area.height()}, false};
        return true;
    }
    if (scale != scaledFor) {
        scaledBitmap.reset();
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
        region = SourceRegion{scaledBitmap.get(), corner, CPos{right - corner.h, bottom - corner.v}, false};
    } else {
        region = SourceRegion{bitmap.get(), sourceOffset, CPos{end.h - corner.h, end.v - corner.v}, true};
    }
    return region.size.h > 0 && region.size.v > 0;
}

// Where a region lands on the device: from the device corner of `area`, `region.size` device
// pixels. A stretched region copies the area's view pixels of the 100 % picture.
namespace {

CRectangle targetOf(CPaintContext* context, const CRectangle& area, const CPos& size) {
    const CRectangle placed = context->deviceArea(area);
    return CRectangle{placed.left, placed.top, placed.left + size.h, placed.top + size.v};
}

} // namespace

void CPixmap::drawCopy(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset) {
    SourceRegion region;
    if (!sourceFor(context, area, sourceOffset, region))
        return;
    const CPos sourceSize = region.stretched ? CPos{area.width(), area.height()} : region.size;
    context->getPainter().drawBitmap(*region.bitmap, region.corner, sourceSize,
                                     targetOf(context, area, region.size));
}

void CPixmap::drawKeyed(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset) {
    // Like the other two draws, a pixmap that failed to load draws nothing.
    SourceRegion region;
    if (!sourceFor(context, area, sourceOffset, region))
        return;
    const CPos sourceSize = region.stretched ? CPos{area.width(), area.height()} : region.size;
    context->getPainter().drawBitmapKeyed(*region.bitmap, region.corner, sourceSize,
                                          targetOf(context, area, region.size), keyColor);
}

void CPixmap::drawBlended(CPaintContext* context, const CRectangle& area, const CPos& sourceOffset,
                          uint8_t opacity) {
    SourceRegion region;
    if (!context || !context->getPainter().canBlend() || !sourceFor(context, area, sourceOffset, region))
        return;
    const CPos sourceSize = region.stretched ? CPos{area.width(), area.height()} : region.size;
    context->getPainter().drawBitmapBlended(*region.bitmap, region.corner, sourceSize,
                                            targetOf(context, area, region.size), opacity);
}

} // namespace tovrel
