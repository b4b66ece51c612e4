// The container's children and their references, coordinates, finding views and the focus walk.
// Painting and input routing have files of their own.
#include "gui/CViewContainer.h"

#include "gui/CFrameServices.h"
#include "gui/COffscreenPaint.h"

#include <cstring>

namespace tovrel {

CViewContainer::CViewContainer(const CRectangle& area) : CView(area) {
    CViewContainer::setNeedsRepaint(true);
}

CViewContainer::~CViewContainer() {
    removeAllChildren(true);
    dropBackBuffer();
}
// --- Coordinates and identity ---------------------------------------------------------------

CPos& CViewContainer::toLocal(CPos& where) {
    where.h -= bounds.left;
    where.v -= bounds.top;
    if (parentIsContainer())
        return parentView->toLocal(where);
    return where;
}

CPos& CViewContainer::toFrame(CPos& where) {
    where.h += bounds.left;
    where.v += bounds.top;
    if (parentIsContainer())
        return parentView->toFrame(where);
    return where;
}

int32_t CViewContainer::receiveMessage(CView* /*sender*/, const char* message) {
    // Deliberate: the message is recognised by its address, not its text (docs/deliberate-choices.md).
    return message == kMsgCheckIfViewContainer ? 1 : 0;
}

bool CViewContainer::isKindOf(const char* className) const {
    return (className && std::strcmp(className, "CViewContainer") == 0) || CView::isKindOf(className);
}

// --- Children -------------------------------------------------------------------------------

void CViewContainer::addChildWithArea(CView* view, const CRectangle& area, bool accepts) {
    if (!view)
        return;
    view->setAcceptsMouse(accepts);
    view->setMouseArea(area);
    addChild(view);
}

void CViewContainer::addChild(CView* view) {
    if (!view)
        return;
    auto link = std::make_unique<CChildLink>();
    link->view = Ref<CView>::adopt(view);
    link->previous = lastChild;
    view->setOwnerFrame(ownerFrame);
    view->setParentView(this);
    CChildLink* added = link.get();
    if (lastChild)
        lastChild->next = std::move(link);
    else
        firstChild = std::move(link);
    lastChild = added;
    view->onAttached(this);
    view->setNeedsRepaint(true);
}

void CViewContainer::unlink(std::unique_ptr<CChildLink> link, bool release) {
    CView* view = link->view.get();
    if (view == dragTarget)
        dragTarget = nullptr;
    view->onRemoved(this);
    // The view may outlive this container: it must not keep pointing at it.
    if (view->getParentView() == this) {
        view->setParentView(nullptr);
        view->setOwnerFrame(nullptr);
    }
    // Without `release` the container's reference passes to the caller.
    if (!release)
        static_cast<void>(link->view.detach());
    link.reset();
}

void CViewContainer::removeChild(CView* view, bool release) {
    if (view && ownerFrame && ownerFrame->getKeyFocus() == view)
        ownerFrame->setKeyFocus(nullptr);
    CChildLink* link = firstChild.get();
    while (link && link->view.get() != view)
        link = link->next.get();
    if (!link)
        return;
    CChildLink* before = link->previous;
    std::unique_ptr<CChildLink>& holder = before ? before->next : firstChild;
    std::unique_ptr<CChildLink> taken = std::move(holder);
    std::unique_ptr<CChildLink> after = std::move(taken->next);
    if (after)
        after->previous = before;
    else
        lastChild = before;
    holder = std::move(after);
    unlink(std::move(taken), release);
}

void CViewContainer::removeAllChildren(bool release) {
    // The list is emptied first, so that nothing called from here sees half-freed links.
    std::unique_ptr<CChildLink> link = std::move(firstChild);
    lastChild = nullptr;
    while (link) {
        std::unique_ptr<CChildLink> next = std::move(link->next);
        unlink(std::move(link), release);
        link = std::move(next);
    }
}

bool CViewContainer::hasChild(CView* view) const {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        if (link->view.get() == view)
            return true;
    return false;
}

int32_t CViewContainer::childCount() const {
    int32_t count = 0;
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        ++count;
    return count;
}

CView* CViewContainer::childAt(int32_t index) const {
    if (index < 0)
        return nullptr;
    CChildLink* link = firstChild.get();
    while (link && index-- > 0)
        link = link->next.get();
    return link ? link->view.get() : nullptr;
}

// --- Finding views and the focus walk -------------------------------------------------------

CView* CViewContainer::viewAt(CPos where, bool deep) {
    if (!ownerFrame)
        return nullptr;
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    for (CChildLink* link = lastChild; link; link = link->previous) {
        CView* child = link->view.get();
        if (!child)
            continue;
        CRectangle area;
        if (!child->getMouseArea(area).contains(local))
            continue;
        if (deep && child->isKindOf("CViewContainer"))
            return static_cast<CViewContainer*>(child)->viewAt(local, true);
        return child;
    }
    return nullptr;
}

CView* CViewContainer::viewUnderPointer() {
    if (!ownerFrame)
        return nullptr;
    CPos where;
    ownerFrame->pointerInWindow(where);
    toLocal(where);
    for (CChildLink* link = lastChild; link; link = link->previous) {
        CView* child = link->view.get();
        CRectangle area;
        if (child && child->getMouseArea(area).contains(where))
            return child;
    }
    return nullptr;
}

bool CViewContainer::moveFocus(CView* oldFocus, bool backwards) {
    bool met = oldFocus == nullptr;
    for (CChildLink* link = backwards ? lastChild : firstChild.get(); link;
         link = backwards ? link->previous : link->next.get()) {
        CView* child = link->view.get();
        if (!met) {
            met = child == oldFocus;
            continue;
        }
        if (child->acceptsFocus()) {
            if (ownerFrame)
                ownerFrame->setKeyFocus(child);
            return true;
        }
        if (child->isKindOf("CViewContainer") &&
            static_cast<CViewContainer*>(child)->moveFocus(nullptr, backwards))
            return true;
    }
    return false;
}

} // namespace tovrel
