// The container's input routing: mouse, keys and wheel to the front-most child that takes them,
// drags to the child under the pointer, and focus changes to every child.
#include "gui/CViewContainer.h"

#include "gui/CPaintContext.h"

namespace tovrel {

void CViewContainer::handleMouse(CPaintContext* context, CPos where, int32_t buttons) {
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (buttons == -1 && context)
        buttons = currentButtons();
    for (CChildLink* link = lastChild; link; link = link->previous) {
        CView* child = link->view.get();
        if (child && child->acceptsMouse() && child->isHit(local, buttons)) {
            child->handleMouse(context, local, buttons);
            return;
        }
    }
}

int32_t CViewContainer::handleKeyDown(const CKeyCode& key) {
    for (CChildLink* link = lastChild; link; link = link->previous) {
        const int32_t answer = link->view->handleKeyDown(key);
        if (answer != -1)
            return answer;
    }
    return -1;
}

int32_t CViewContainer::handleKeyUp(const CKeyCode& key) {
    for (CChildLink* link = lastChild; link; link = link->previous) {
        const int32_t answer = link->view->handleKeyUp(key);
        if (answer != -1)
            return answer;
    }
    return -1;
}

bool CViewContainer::handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) {
    CView* target = viewAt(where, false);
    if (!target)
        return false;
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (!context)
        return target->handleWheelAxis(context, local, axis, distance);
    const CPos savedOrigin = context->getWindowOrigin();
    const CPos savedOffset = context->getOffset();
    shiftContext(context, bounds.left, bounds.top);
    const bool handled = target->handleWheelAxis(context, local, axis, distance);
    context->getWindowOrigin() = savedOrigin;
    context->getOffset() = savedOffset;
    return handled;
}

bool CViewContainer::handleWheel(CPaintContext* context, CPos where, float distance) {
    return handleWheelAxis(context, where, 1, distance);
}

// Drag events reach the children in the container's own coordinates, with the context shifted
// to match for as long as the event lasts.
namespace {

class ShiftedContext {
public:
    ShiftedContext(CPaintContext* shifted, const CRectangle& bounds) : context(shifted) {
        if (!context)
            return;
        savedOrigin = context->getWindowOrigin();
        savedOffset = context->getOffset();
        context->getWindowOrigin().h += bounds.left;
        context->getWindowOrigin().v += bounds.top;
        context->getOffset().h += bounds.left;
        context->getOffset().v += bounds.top;
    }
    ~ShiftedContext() {
        if (!context)
            return;
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
    }
    ShiftedContext(const ShiftedContext&) = delete;
    ShiftedContext& operator=(const ShiftedContext&) = delete;

private:
    CPaintContext* context;
    CPos savedOrigin;
    CPos savedOffset;
};

} // namespace

bool CViewContainer::handleDragEnter(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return false;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (dragTarget)
        dragTarget->handleDragLeave(context, drop, local);
    dragTarget = viewAt(where, false);
    return dragTarget && dragTarget->handleDragEnter(context, drop, local);
}

bool CViewContainer::handleDragMove(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return false;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    CView* found = viewAt(where, false);
    if (found == dragTarget)
        return found && found->handleDragMove(context, drop, local);
    if (dragTarget)
        dragTarget->handleDragLeave(context, drop, local);
    dragTarget = found;
    return found && found->handleDragEnter(context, drop, local);
}

void CViewContainer::handleDragLeave(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (dragTarget)
        dragTarget->handleDragLeave(context, drop, local);
    dragTarget = nullptr;
}

bool CViewContainer::handleDrop(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return false;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    CView* found = viewAt(where, false);
    if (found != dragTarget) {
        if (dragTarget)
            dragTarget->handleDragLeave(context, drop, local);
        dragTarget = found;
    }
    bool dropped = false;
    if (dragTarget) {
        dropped = dragTarget->handleDrop(context, drop, local);
        dragTarget->handleDragLeave(context, drop, local);
    }
    dragTarget = nullptr;
    return dropped;
}

void CViewContainer::focusLost(CPaintContext* context) {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        link->view->focusLost(context);
}

void CViewContainer::focusGained(CPaintContext* context) {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        link->view->focusGained(context);
}

} // namespace tovrel
