// The frame's input routing, its keyboard focus and its modal view.
#include "gui/CFrame.h"

#include "gui/CPaintContext.h"

namespace tovrel {

// --- Input ----------------------------------------------------------------------------------

void CFrame::handleMouse(CPaintContext* context, CPos where, int32_t buttons) {
    if (focusView)
        setKeyFocus(nullptr);
    if (buttons == -1 && context)
        buttons = currentButtons();
    if (modalChild) {
        if (modalChild->isHit(where, buttons))
            modalChild->handleMouse(context, where, buttons);
        return;
    }
    CViewContainer::handleMouse(context, where, buttons);
}

int32_t CFrame::handleKeyDown(const CKeyCode& key) {
    if (focusView) {
        const int32_t answer = focusView->handleKeyDown(key);
        if (answer != -1)
            return answer;
    }
    if (modalChild) {
        const int32_t answer = modalChild->handleKeyDown(key);
        if (answer != -1)
            return answer;
    }
    if (key.virt == kKeyTab)
        return moveFocus(focusView, (key.modifier & kKeyModifierShift) != 0) ? 1 : -1;
    return -1;
}

int32_t CFrame::handleKeyUp(const CKeyCode& key) {
    if (focusView) {
        const int32_t answer = focusView->handleKeyUp(key);
        if (answer != -1)
            return answer;
    }
    if (modalChild)
        return modalChild->handleKeyUp(key);
    return -1;
}

bool CFrame::handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) {
    CView* target = modalChild ? modalChild : viewAt(where, false);
    if (!target)
        return false;
    const Ref<CPaintContext> made = makeContextIfNone(context);
    return target->handleWheelAxis(context, where, axis, distance);
}

CView* CFrame::viewUnderPointer() {
    return modalChild ? modalChild : CViewContainer::viewUnderPointer();
}

// --- Focus and the modal view ---------------------------------------------------------------

void CFrame::setKeyFocus(CView* view) {
    CView* old = focusView;
    focusView = view;
    if (view && view->acceptsFocus())
        view->setNeedsRepaint(true);
    if (old) {
        old->focusLost(nullptr);
        if (old->acceptsFocus())
            old->setNeedsRepaint(true);
    }
}

CView* CFrame::getKeyFocus() const {
    return focusView;
}

bool CFrame::moveFocus(CView* oldFocus, bool backwards) {
    if (modalChild)
        return false;
    if (!oldFocus)
        oldFocus = focusView;
    if (!oldFocus)
        return CViewContainer::moveFocus(nullptr, backwards);
    if (hasChild(oldFocus)) {
        if (CViewContainer::moveFocus(oldFocus, backwards))
            return true;
        setKeyFocus(nullptr);
        return false;
    }
    // The focus sits in a nested container: each container up the chain looks past the view that
    // held the focus, and then past itself in its own parent.
    CView* from = oldFocus;
    CView* parent = oldFocus->getParentView();
    while (parent && parent->isKindOf("CViewContainer")) {
        if (static_cast<CViewContainer*>(parent)->moveFocus(from, backwards))
            return true;
        from = parent;
        parent = parent->getParentView();
    }
    return CViewContainer::moveFocus(oldFocus, backwards);
}

bool CFrame::setModalChild(CView* view) {
    if (view && modalChild)
        return false;
    // The frame shares the modal view with whoever set it: it takes a reference of its own and
    // gives back only that one.
    if (modalChild)
        removeChild(modalChild, true);
    modalChild = view;
    if (view)
        addChild(Ref<CView>(view));
    return true;
}

CView* CFrame::getModalChild() const {
    return modalChild;
}

} // namespace tovrel
