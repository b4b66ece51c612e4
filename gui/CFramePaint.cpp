// The frame's painting and its refresh of the views that changed, at the editor's idle call.
#include "gui/CFrame.h"

#include "gui/CPaintContext.h"

namespace tovrel {

Ref<CPaintContext> CFrame::makePaintContext() {
    return makeRef<CPaintContext>(this, NativeDevice{}, frameWindow());
}

Ref<CPaintContext> CFrame::makeContextIfNone(CPaintContext*& context) {
    if (context)
        return {};
    Ref<CPaintContext> made = makePaintContext();
    context = made.get();
    return made;
}

void CFrame::paint(CPaintContext* context) {
    awaitingFirstPaint = false;
    CViewContainer::paint(context);
}

void CFrame::paintArea(CPaintContext* context, const CRectangle& area) {
    awaitingFirstPaint = false;
    const Ref<CPaintContext> made = makeContextIfNone(context);
    const CRectangle oldClip = context->clipInDrawingCoordinates();
    context->setClipArea(area.boundedBy(oldClip));
    if (area.width() > 0 && area.height() > 0)
        CViewContainer::paintArea(context, area);
    context->setClipArea(oldClip);
}

void CFrame::refresh(CPaintContext* context) {
    if (!isWindowAlive() || areUpdatesSuspended())
        return;
    const Ref<CPaintContext> made = makeContextIfNone(context);
    if (repaintPending) {
        paint(context);
        setNeedsRepaint(false);
    } else {
        const CRectangle oldClip = context->clipInDrawingCoordinates();
        if (modalChild && modalChild->needsRepaint())
            modalChild->refresh(context);
        for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
            CRectangle childBounds;
            link->view->getBounds(childBounds);
            context->setClipArea(childBounds.boundedBy(oldClip));
            link->view->refresh(context);
        }
        context->setClipArea(oldClip);
    }
}

void CFrame::onIdle() {
    if (isWindowAlive() && !awaitingFirstPaint && needsRepaint())
        refresh(makePaintContext().get());
    // Last: an event may end the frame.
    platform->deliverEvents();
}

void CFrame::paintView(CView* view) {
    const bool ownChild = view && hasChild(view);
    const Ref<CPaintContext> context = makePaintContext();
    if (ownChild)
        view->paint(context.get());
    else
        paint(context.get());
}

void CFrame::markAreaForRepaint(const CRectangle& area) {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        CRectangle childBounds;
        if (link->view->getBounds(childBounds).overlaps(area))
            link->view->setNeedsRepaint(true);
    }
}

bool CFrame::suspendUpdates(bool suspend) {
    const bool previous = updatesSuspended;
    updatesSuspended = suspend;
    return previous;
}

bool CFrame::areUpdatesSuspended() const {
    return updatesSuspended;
}

} // namespace tovrel
