// The frame's size and scale, and the host's windows above the frame window: resizing the chain
// when the host cannot, and where the outer window lies and how large it is.
#include "gui/CFrame.h"

namespace tovrel {

void CFrame::setBounds(const CRectangle& area) {
    setFrameSize(area.width(), area.height());
}

bool CFrame::setFrameSize(int32_t width, int32_t height) {
    if (!isWindowAlive())
        return false;
    if (width == bounds.width() && height == bounds.height())
        return false;

    // The host and the windows count device pixels.
    const CPos deviceSize = scale.toDevice(CPos{width, height});
    if (frameOwner && frameOwner->hostSizedWindow(deviceSize.h, deviceSize.v)) {
        // The host has resized its own windows.
        bounds.right = bounds.left + width;
        bounds.bottom = bounds.top + height;
        platform->resize(deviceSize);
        return true;
    }

    // The host cannot: the frame grows the windows above its own itself.
    bounds.right = bounds.left + width;
    bounds.bottom = bounds.top + height;
    if (!platform->resizeHostWindows(deviceSize))
        return true;
    CViewContainer::setBounds(CRectangle{0, 0, width, height});
    return true;
}

bool CFrame::setScale(const CScale& next) {
    if (next == scale)
        return true;
    if (!frameWindow() || !isWindowAlive()) {
        scale = next;
        return true;
    }
    const CPos deviceSize = next.toDevice(CPos{bounds.width(), bounds.height()});
    // Only a host that sizes its window for the new size gets the new scale: a window drawn at
    // one scale in a host window sized for another would be cut off or float in a margin.
    if (!frameOwner || !frameOwner->hostSizedWindow(deviceSize.h, deviceSize.v))
        return false;
    scale = next;
    platform->resize(deviceSize);
    setNeedsRepaint(true);
    platform->invalidate();
    return true;
}

NativeWindow CFrame::findOuterWindow() const {
    return platform->outerWindow();
}

bool CFrame::setWindowPosition(int32_t /*x*/, int32_t /*y*/) {
    isWindowAlive();
    return false;
}

bool CFrame::getWindowPosition(int32_t& x, int32_t& y) {
    if (!isWindowAlive())
        return false;
    const CPos place = platform->outerWindowPlace();
    x = place.h;
    y = place.v;
    return true;
}

bool CFrame::getFrameSize(CRectangle& size) {
    return getFrameSize(&size);
}

bool CFrame::getFrameSize(CRectangle* size) {
    if (!size || !isWindowAlive())
        return false;
    *size = platform->hostWindowArea();
    return true;
}

} // namespace tovrel
