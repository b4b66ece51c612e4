#include "gui/COffscreenPaint.h"

#include "gui/CFrameServices.h"

namespace tovrel {

COffscreenPaint::COffscreenPaint(CFrameServices* owner, int32_t width, int32_t height,
                                 const CRgba& background, CPos windowPlace)
    : CPaintContext(owner, CPos{width, height}, windowPlace), viewWidth(width), viewHeight(height) {
    clipArea = CRectangle{width < 0 ? width : 0, height < 0 ? height : 0, width < 0 ? 0 : width,
                          height < 0 ? 0 : height};
    setFillColor(background);
    setStrokeColor(background);
    const CRectangle whole{0, 0, width, height};
    fillArea(whole);
    outlineArea(whole);
}

COffscreenPaint::~COffscreenPaint() = default;

void COffscreenPaint::copyTo(CPaintContext* destination, const CRectangle& area, const CPos& sourceOffset) {
    if (!destination)
        return;
    const CPos source = devicePoint(CPos{sourceOffset.h - offset.h, sourceOffset.v - offset.v});
    destination->getPainter().copyFrom(*painter, source, destination->deviceArea(area));
}

} // namespace tovrel
