#include "gui/CView.h"

#include "gui/CFrameServices.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"

#include <cstring>

namespace tovrel {

const char kMsgCheckIfViewContainer[] = "kMsgCheckIfViewContainer";

CView::CView(const CRectangle& area) : bounds(area), mouseArea(area) {}

CView::~CView() = default;

void CView::paint(CPaintContext* context) {
    if (backdrop && context) {
        if (transparent)
            backdrop->drawKeyed(context, bounds, CPos{});
        else
            backdrop->drawCopy(context, bounds, CPos{});
    }
    setNeedsRepaint(false);
}

void CView::paintArea(CPaintContext* context, const CRectangle& /*area*/) {
    paint(context);
}

bool CView::overlaps(const CRectangle& area) {
    return bounds.overlaps(area);
}

void CView::handleMouse(CPaintContext* /*context*/, CPos /*where*/, int32_t /*buttons*/) {}

void CView::setBackdrop(CPixmap* pixmap) {
    backdrop.reset(pixmap);
    setNeedsRepaint(true);
}

CPixmap* CView::getBackdrop() const {
    return backdrop.get();
}

int32_t CView::handleKeyDown(const CKeyCode& /*key*/) {
    return -1;
}

int32_t CView::handleKeyUp(const CKeyCode& /*key*/) {
    return -1;
}

bool CView::handleWheelAxis(CPaintContext* context, CPos where, int32_t /*axis*/, float distance) {
    return handleWheel(context, where, distance);
}

bool CView::handleWheel(CPaintContext* /*context*/, CPos /*where*/, float /*distance*/) {
    return false;
}

bool CView::handleDrop(CPaintContext* /*context*/, CDropData* /*drop*/, CPos /*where*/) {
    return false;
}

bool CView::handleDragEnter(CPaintContext* /*context*/, CDropData* /*drop*/, CPos /*where*/) {
    return false;
}

void CView::handleDragLeave(CPaintContext* /*context*/, CDropData* /*drop*/, CPos /*where*/) {}

bool CView::handleDragMove(CPaintContext* /*context*/, CDropData* /*drop*/, CPos /*where*/) {
    return false;
}

void CView::focusLost(CPaintContext* /*context*/) {}

void CView::focusGained(CPaintContext* /*context*/) {}

bool CView::needsRepaint() const {
    return repaintPending;
}

void CView::setNeedsRepaint(bool needed) {
    repaintPending = needed;
}

void CView::setAcceptsMouse(bool accepts) {
    mouseAccepted = accepts;
}

bool CView::acceptsMouse() const {
    return mouseAccepted;
}

void CView::setMouseArea(const CRectangle& area) {
    mouseArea = area;
}

CRectangle& CView::getMouseArea(CRectangle& out) const {
    out = mouseArea;
    return out;
}

bool CView::isHit(CPos where, int32_t /*buttons*/) {
    return mouseArea.contains(where);
}

void CView::setTransparent(bool value) {
    transparent = value;
}

bool CView::isTransparent() const {
    return transparent;
}

void CView::setBounds(const CRectangle& area) {
    bounds = area;
    setNeedsRepaint(true);
}

CRectangle& CView::getBounds(CRectangle& out) const {
    out = bounds;
    return out;
}

bool CView::onRemoved(CView* /*parent*/) {
    return true;
}

bool CView::onAttached(CView* /*parent*/) {
    return true;
}

void CView::getPointerPosition(CPaintContext* context, CPos& where) {
    if (!context)
        return;
    // Deliberate: the message is recognised by its address, not its text (docs/deliberate-choices.md).
    if (parentView && parentView->receiveMessage(this, kMsgCheckIfViewContainer) == 1) {
        // Each container on the way up adds its own origin to what is subtracted from the cursor.
        CPos& origin = context->getWindowOrigin();
        CPos& offset = context->getOffset();
        const CPos savedOrigin = origin;
        const CPos savedOffset = offset;
        CRectangle parentBounds;
        parentView->getBounds(parentBounds);
        origin.h += parentBounds.left;
        origin.v += parentBounds.top;
        offset.h += parentBounds.left;
        offset.v += parentBounds.top;
        parentView->getPointerPosition(context, where);
        origin = savedOrigin;
        offset = savedOffset;
        return;
    }
    where = context->viewPointFromScreen(pointerOnScreen());
}

CPos& CView::toLocal(CPos& where) {
    if (parentIsContainer())
        return parentView->toLocal(where);
    return where;
}

CPos& CView::toFrame(CPos& where) {
    if (parentIsContainer())
        return parentView->toFrame(where);
    return where;
}

CFrameOwner* CView::ownerEditor() {
    return ownerFrame ? ownerFrame->ownerEditor() : nullptr;
}

int32_t CView::receiveMessage(CView* /*sender*/, const char* /*message*/) {
    return 0;
}

void CView::redrawArea(CPaintContext* context, const CRectangle& area) {
    if (parentView)
        parentView->redrawArea(context, area);
    else if (ownerFrame)
        ownerFrame->frameView()->paintArea(context, area);
}

bool CView::acceptsFocus() const {
    return focusAccepted;
}

void CView::setAcceptsFocus(bool accepts) {
    focusAccepted = accepts;
}

bool CView::isKindOf(const char* className) const {
    return className && std::strcmp(className, "CView") == 0;
}

void CView::refresh(CPaintContext* context) {
    if (!needsRepaint())
        return;
    if (context)
        redrawArea(context, bounds);
    else if (ownerFrame)
        ownerFrame->paintView(this);
    setNeedsRepaint(false);
}

bool CView::parentIsContainer() const {
    return parentView && parentView->isKindOf("CViewContainer");
}

} // namespace tovrel
