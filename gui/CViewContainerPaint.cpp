// The container's painting: through its back buffer or shifted into the caller's context, its
// background, and the refresh of the children that changed.
#include "gui/CViewContainer.h"

#include "gui/CFrameServices.h"
#include "gui/COffscreenPaint.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"

namespace tovrel {

namespace {

CRectangle boundsOf(CView* view) {
    CRectangle area;
    view->getBounds(area);
    return area;
}

} // namespace
void CViewContainer::makeBackBuffer(CPos windowPlace) {
    dropBackBuffer();
    offscreen =
        makeRef<COffscreenPaint>(ownerFrame, bounds.width(), bounds.height(), kRgbaBlack, windowPlace);
}

void CViewContainer::dropBackBuffer() {
    offscreen.reset();
}

void CViewContainer::shiftContext(CPaintContext* context, int32_t h, int32_t v) {
    CPos& origin = context->getWindowOrigin();
    CPos& offset = context->getOffset();
    origin.h += h;
    origin.v += v;
    offset.h += h;
    offset.v += v;
}

CPaintContext* CViewContainer::beginPaint(CPaintContext* context, CPos& savedOrigin, CPos& savedOffset) {
    if (paintOffscreen) {
        // The buffer's pixels line up with the window's only when it is made for the place the
        // container is painted at and for the window's scale.
        const bool ownFrame = ownerFrame && ownerFrame->frameView() == this;
        const CPos place = ownFrame
                               ? CPos{}
                               : CPos{bounds.left + context->getOffset().h + context->getBufferOrigin().h,
                                      bounds.top + context->getOffset().v + context->getBufferOrigin().v};
        if (!offscreen || !offscreen->fits(bounds.width(), bounds.height(), place, context->getScale()))
            makeBackBuffer(place);
        return offscreen.get();
    }
    savedOrigin = context->getWindowOrigin();
    savedOffset = context->getOffset();
    shiftContext(context, bounds.left, bounds.top);
    return context;
}

CRectangle CViewContainer::callerClip(CPaintContext* context) const {
    CRectangle clip = context->clipInDrawingCoordinates();
    const bool ownFrame = ownerFrame && ownerFrame->frameView() == this;
    if (paintOffscreen && !ownFrame)
        clip = CRectangle{0, 0, clip.width(), clip.height()};
    return clip;
}

void CViewContainer::drawBackdrop(CPaintContext* target, const CRectangle& area, const CPos& source) {
    if (transparent)
        backdrop->drawKeyed(target, area, source);
    else
        backdrop->drawCopy(target, area, source);
}

void CViewContainer::paint(CPaintContext* context) {
    if (!context)
        return;
    CPos savedOrigin;
    CPos savedOffset;
    CPaintContext* target = beginPaint(context, savedOrigin, savedOffset);
    const CRectangle whole = ownArea();
    const CRectangle savedClip = context->clipInDrawingCoordinates();
    const CRectangle oldClip = callerClip(context);

    target->setClipArea(whole.boundedBy(oldClip));
    if (backdrop) {
        drawBackdrop(target, whole, backdropOffset);
    } else if (!transparent) {
        target->setFillColor(backgroundColour);
        target->fillArea(whole);
    }
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        target->setClipArea(boundsOf(link->view.get()).boundedBy(oldClip));
        link->view->paint(target);
    }
    target->setClipArea(savedClip);

    if (target != context) {
        offscreen->copyTo(context, bounds, CPos{});
    } else {
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
    }
    setNeedsRepaint(false);
}

void CViewContainer::paintArea(CPaintContext* context, const CRectangle& area) {
    if (!context)
        return;
    CPos savedOrigin;
    CPos savedOffset;
    CPaintContext* target = beginPaint(context, savedOrigin, savedOffset);
    const CRectangle inParent = area.boundedBy(bounds);
    CRectangle local = inParent;
    local.offset(-bounds.left, -bounds.top);
    const CRectangle savedClip = context->clipInDrawingCoordinates();
    const CRectangle oldClip = callerClip(context);

    const CRectangle painted = local.boundedBy(oldClip);
    target->setClipArea(painted);
    paintBackground(target, local);
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        CView* child = link->view.get();
        if (!child->overlaps(local))
            continue;
        const CRectangle childBounds = boundsOf(child);
        const CRectangle visible = childBounds.boundedBy(painted);
        if (visible.width() == 0 || visible.height() == 0)
            continue;
        target->setClipArea(visible);
        const bool wasPending = child->needsRepaint();
        child->paintArea(target, local);
        // A child painted only in part is painted whole by a later refresh.
        if (wasPending && visible != childBounds && !isKindOf("CScrollContainer"))
            child->setNeedsRepaint(true);
    }
    target->setClipArea(savedClip);

    if (target != context) {
        offscreen->copyTo(context, inParent, CPos{local.left, local.top});
    } else {
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
    }
    setNeedsRepaint(false);
}

void CViewContainer::paintBackground(CPaintContext* context, const CRectangle& area) {
    if (backdrop) {
        const CRectangle oldClip = context->clipInDrawingCoordinates();
        context->setClipArea(area.boundedBy(oldClip));
        drawBackdrop(context, CRectangle{0, 0, backdrop->getWidth(), backdrop->getHeight()}, backdropOffset);
        context->setClipArea(oldClip);
    } else if (!transparent) {
        context->setFillColor(backgroundColour);
        context->fillArea(area);
    }
}

bool CViewContainer::needsRepaint() const {
    if (repaintPending)
        return true;
    const CRectangle whole = ownArea();
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        if (!link->view->needsRepaint())
            continue;
        const CRectangle visible = boundsOf(link->view.get()).boundedBy(whole);
        if (visible.width() > 0 && visible.height() > 0)
            return true;
    }
    return false;
}

void CViewContainer::refresh(CPaintContext* context) {
    const CRectangle whole = ownArea();
    if (refreshMode == kRefreshWhole) {
        if (needsRepaint()) {
            redrawArea(context, whole);
            setNeedsRepaint(false);
        }
        return;
    }
    if (refreshMode != kRefreshChanged)
        return;
    if (repaintPending) {
        redrawArea(context, whole);
    } else {
        for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
            CView* child = link->view.get();
            if (!child->needsRepaint() || !child->overlaps(whole))
                continue;
            // Deliberate: the message is recognised by its address, not its text
            // (docs/deliberate-choices.md).
            if (child->receiveMessage(this, kMsgCheckIfViewContainer) != 0)
                child->refresh(context);
            else
                child->redrawArea(context, boundsOf(child).boundedBy(whole));
        }
    }
    setNeedsRepaint(false);
}

void CViewContainer::redrawArea(CPaintContext* context, const CRectangle& area) {
    CRectangle inParent = area;
    inParent.offset(bounds.left, bounds.top);
    if (transparent) {
        // What lies behind a transparent container belongs to its parent.
        if (parentView)
            parentView->redrawArea(context, inParent);
        else if (ownerFrame)
            ownerFrame->frameView()->paintArea(context, inParent);
        return;
    }
    if (parentView && context) {
        CPos parentOrigin;
        parentView->toFrame(parentOrigin);
        const CPos savedOrigin = context->getWindowOrigin();
        const CPos savedOffset = context->getOffset();
        shiftContext(context, parentOrigin.h, parentOrigin.v);
        paintArea(context, inParent);
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
        return;
    }
    paintArea(context, inParent);
}

void CViewContainer::setBounds(const CRectangle& area) {
    bounds = area;
    setNeedsRepaint(true);
    if (offscreen && paintOffscreen)
        makeBackBuffer();
}

bool CViewContainer::onRemoved(CView* /*parent*/) {
    dropBackBuffer();
    return true;
}

bool CViewContainer::onAttached(CView* /*parent*/) {
    if (!offscreen && paintOffscreen)
        makeBackBuffer();
    return true;
}
void CViewContainer::setBackgroundColour(CRgba colour) {
    backgroundColour = colour;
    setNeedsRepaint(true);
}

CRgba& CViewContainer::getBackgroundColour(CRgba& out) const {
    out = backgroundColour;
    return out;
}

void CViewContainer::setBackdropOffset(CPos offset) {
    backdropOffset = offset;
}

CPos& CViewContainer::getBackdropOffset() {
    return backdropOffset;
}

void CViewContainer::setRefreshMode(int32_t mode) {
    refreshMode = mode;
}

int32_t CViewContainer::getRefreshMode() const {
    return refreshMode;
}

void CViewContainer::setPaintOffscreen(bool enabled) {
    paintOffscreen = enabled;
    if (!enabled)
        dropBackBuffer();
}

} // namespace tovrel
