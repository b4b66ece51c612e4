#pragma once

#include "gui/CRgba.h"
#include "gui/CView.h"

#include <memory>
#include <utility>

namespace tovrel {

class COffscreenPaint;

// One node of a container's child list: it holds one counted reference to its view and owns the
// node after it.
struct CChildLink {
    Ref<CView> view;
    std::unique_ptr<CChildLink> next;
    CChildLink* previous{nullptr};
};

enum : int32_t { kRefreshWhole = 0, kRefreshChanged = 1 };

// A view that holds other views, in painting order: the first child is painted first, and every
// search by position walks from the last child, so the front-most child wins. Children's
// rectangles are in the container's own coordinates, whose origin is the top-left corner of its
// bounds. A container holds one reference to each child: a holder handed to `addChild` says
// whether the caller shares the child or gives it away, and `add` makes a child that the container
// alone holds.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CViewContainer : public CView {
public:
    explicit CViewContainer(const CRectangle& bounds);
    ~CViewContainer() override;

    void paint(CPaintContext* context) override;
    void paintArea(CPaintContext* context, const CRectangle& area) override;
    void handleMouse(CPaintContext* context, CPos where, int32_t buttons) override;
    int32_t handleKeyDown(const CKeyCode& key) override;
    int32_t handleKeyUp(const CKeyCode& key) override;
    bool handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) override;
    bool handleWheel(CPaintContext* context, CPos where, float distance) override;
    bool handleDrop(CPaintContext* context, CDropData* drop, CPos where) override;
    bool handleDragEnter(CPaintContext* context, CDropData* drop, CPos where) override;
    void handleDragLeave(CPaintContext* context, CDropData* drop, CPos where) override;
    bool handleDragMove(CPaintContext* context, CDropData* drop, CPos where) override;
    void focusLost(CPaintContext* context) override;
    void focusGained(CPaintContext* context) override;
    bool needsRepaint() const override;
    void setBounds(const CRectangle& area) override;
    bool onRemoved(CView* parent) override;
    bool onAttached(CView* parent) override;
    CPos& toLocal(CPos& where) override;
    CPos& toFrame(CPos& where) override;
    int32_t receiveMessage(CView* sender, const char* message) override;
    void redrawArea(CPaintContext* context, const CRectangle& area) override;
    bool isKindOf(const char* className) const override;
    void refresh(CPaintContext* context) override;

    // Children. The two adoption slots take over one reference the caller holds; only the owning
    // operations below call them, so that every call shows who holds the child. A child goes with
    // the container's reference when `release` is set; otherwise that reference passes to the
    // caller, who takes it with `takeChild`.
protected:
    virtual void addChildWithArea(CView* view, const CRectangle& mouseArea, bool acceptsMouse);
    virtual void addChild(CView* view);

public:
    virtual void removeChild(CView* view, bool release);
    virtual void removeAllChildren(bool release);
    virtual bool hasChild(CView* view) const;
    virtual int32_t childCount() const;
    virtual CView* childAt(int32_t index) const;

    // Background and painting.
    virtual void setBackgroundColour(CRgba colour);
    virtual CRgba& getBackgroundColour(CRgba& out) const;
    virtual void setBackdropOffset(CPos offset);
    virtual CPos& getBackdropOffset();
    virtual void paintBackground(CPaintContext* context, const CRectangle& area);
    virtual void setRefreshMode(int32_t mode);
    virtual int32_t getRefreshMode() const;
    virtual void setPaintOffscreen(bool enabled);

    // Finding views and walking the focus.
    virtual CView* viewUnderPointer();
    virtual CView* viewAt(CPos where, bool deep);
    virtual bool moveFocus(CView* oldFocus, bool backwards);

    // Adds the child the holder holds, sharing it with the caller's holder if that one is kept, and
    // answers the child, for as long as the container holds it.
    CView* addChild(Ref<CView> view) {
        CView* added = view.get();
        addChild(view.detach());
        return added;
    }
    CView* addChildWithArea(Ref<CView> view, const CRectangle& area, bool accepts) {
        CView* added = view.get();
        addChildWithArea(view.detach(), area, accepts);
        return added;
    }
    // Makes a child that only the container holds, and answers it.
    template <typename View, typename... Arguments> View* add(Arguments&&... arguments) {
        return static_cast<View*>(addChild(makeRef<View>(std::forward<Arguments>(arguments)...)));
    }
    // Takes the child out and gives its reference to the caller; an empty holder if it is no child.
    Ref<CView> takeChild(CView* view) {
        if (!hasChild(view))
            return Ref<CView>();
        removeChild(view, false);
        return Ref<CView>::adopt(view);
    }

    COffscreenPaint* getOffscreen() const { return offscreen.get(); }
    bool paintsOffscreen() const { return paintOffscreen; }

protected:
    // A buffer for the container's whole area, standing for `windowPlace` of the window.
    void makeBackBuffer(CPos windowPlace = CPos{});
    void dropBackBuffer();
    CRectangle ownArea() const { return CRectangle{0, 0, bounds.width(), bounds.height()}; }
    // Chooses where to paint and records what has to be given back to the caller's context.
    CPaintContext* beginPaint(CPaintContext* context, CPos& savedOrigin, CPos& savedOffset);
    // The caller's clip in drawing coordinates, moved to the buffer's origin when painting through
    // a back buffer (the frame's clip already is in its own coordinates).
    CRectangle callerClip(CPaintContext* context) const;
    void drawBackdrop(CPaintContext* target, const CRectangle& area, const CPos& source);
    void shiftContext(CPaintContext* context, int32_t h, int32_t v);
    void unlink(std::unique_ptr<CChildLink> link, bool release);

    std::unique_ptr<CChildLink> firstChild;
    CChildLink* lastChild{nullptr};
    int32_t refreshMode{kRefreshChanged};
    Ref<COffscreenPaint> offscreen;
    CRgba backgroundColour{kRgbaBlack};
    CPos backdropOffset;
    bool paintOffscreen{true};
    CView* dragTarget{nullptr}; // not owned
};

} // namespace tovrel
