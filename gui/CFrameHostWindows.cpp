// The host's windows above the frame window: resizing the chain when the host cannot, and where
// the outer window lies and how large it is.
#include "gui/CFrame.h"

#include <cstdlib>
#include <cstring>

namespace tovrel {

namespace {

// How far the host's windows may be larger than what they hold before the frame leaves them
// alone: the outer-window search and the fallback resize.
constexpr int32_t kOuterWindowSlack = 60;
constexpr int32_t kResizeSlack = 80;

int32_t widthOf(const RECT& area) {
    return area.right - area.left;
}

int32_t heightOf(const RECT& area) {
    return area.bottom - area.top;
}

} // namespace

void CFrame::setBounds(const CRectangle& area) {
    setFrameSize(area.width(), area.height());
}

void CFrame::resizeWindow(HWND target, int32_t width, int32_t height) {
    SetWindowPos(target, HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

bool CFrame::setFrameSize(int32_t width, int32_t height) {
    if (!isWindowAlive())
        return false;
    if (width == bounds.width() && height == bounds.height())
        return false;

    // The host and the windows count device pixels.
    const int32_t deviceWidth = scale.toDevice(width);
    const int32_t deviceHeight = scale.toDevice(height);
    if (frameOwner && frameOwner->hostSizedWindow(deviceWidth, deviceHeight)) {
        // The host has resized its own windows.
        bounds.right = bounds.left + width;
        bounds.bottom = bounds.top + height;
        resizeWindow(window, deviceWidth, deviceHeight);
        return true;
    }

    // The host cannot: grow every window above the frame window by what the frame grows, up to the
    // first window that is clearly the host's own.
    bounds.right = bounds.left + width;
    bounds.bottom = bounds.top + height;
    const int32_t fixedFrames = 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    int32_t extraWidth = 0;
    int32_t extraHeight = 0;
    HWND current = window;
    while (extraWidth != fixedFrames && current) {
        HWND parent = GetParent(current);
        if (!parent)
            break;
        char parentClass[1024] = {};
        GetClassNameA(parent, parentClass, sizeof(parentClass));
        if (std::strcmp(parentClass, "MDIClient") == 0)
            break;
        RECT currentRect{};
        RECT parentRect{};
        GetWindowRect(current, &currentRect);
        GetWindowRect(parent, &parentRect);
        resizeWindow(current, deviceWidth + extraWidth, deviceHeight + extraHeight);
        extraWidth += widthOf(parentRect) - widthOf(currentRect);
        extraHeight += heightOf(parentRect) - heightOf(currentRect);
        if (extraWidth > kResizeSlack || extraHeight > kResizeSlack)
            return true;
        if (extraWidth < 0)
            extraWidth = 0;
        if (extraHeight < 0)
            extraHeight = 0;
        current = parent;
    }
    if (current)
        resizeWindow(current, deviceWidth + extraWidth, deviceHeight + extraHeight);

    CViewContainer::setBounds(CRectangle{0, 0, width, height});
    return true;
}

bool CFrame::setScale(const CScale& next) {
    if (next == scale)
        return true;
    if (!window || !isWindowAlive()) {
        scale = next;
        return true;
    }
    const int32_t width = next.toDevice(bounds.width());
    const int32_t height = next.toDevice(bounds.height());
    // Only a host that sizes its window for the new size gets the new scale: a window drawn at
    // one scale in a host window sized for another would be cut off or float in a margin.
    if (!frameOwner || !frameOwner->hostSizedWindow(width, height))
        return false;
    scale = next;
    resizeWindow(window, width, height);
    setNeedsRepaint(true);
    InvalidateRect(window, nullptr, FALSE);
    return true;
}

HWND CFrame::findOuterWindow() const {
    RECT frameRect{};
    GetWindowRect(window, &frameRect);
    HWND current = window;
    while (current) {
        HWND parent = GetParent(current);
        if ((GetWindowLongA(current, GWL_STYLE) & WS_CAPTION) != 0 || !parent)
            return current;
        RECT parentRect{};
        GetWindowRect(parent, &parentRect);
        if (std::abs(widthOf(parentRect) - widthOf(frameRect)) > kOuterWindowSlack ||
            std::abs(heightOf(parentRect) - heightOf(frameRect)) > kOuterWindowSlack)
            return current;
        current = parent;
    }
    return nullptr;
}

bool CFrame::setWindowPosition(int32_t /*x*/, int32_t /*y*/) {
    isWindowAlive();
    return false;
}

bool CFrame::getWindowPosition(int32_t& x, int32_t& y) {
    if (!isWindowAlive())
        return false;
    HWND outer = findOuterWindow();
    RECT screen{};
    GetWindowRect(outer, &screen);
    POINT corner{screen.left, screen.top};
    MapWindowPoints(HWND_DESKTOP, outer ? GetParent(outer) : nullptr, &corner, 1);
    x = corner.x;
    y = corner.y;
    return true;
}

bool CFrame::getFrameSize(CRectangle& size) {
    return getFrameSize(&size);
}

bool CFrame::getFrameSize(CRectangle* size) {
    if (!size || !isWindowAlive())
        return false;
    HWND outer = GetParent(window);
    HWND reference = GetParent(GetParent(outer));
    RECT screen{};
    GetWindowRect(outer, &screen);
    POINT corner{screen.left, screen.top};
    MapWindowPoints(HWND_DESKTOP, reference, &corner, 1);
    *size = CRectangle{corner.x, corner.y, corner.x + widthOf(screen), corner.y + heightOf(screen)};
    return true;
}

} // namespace tovrel
