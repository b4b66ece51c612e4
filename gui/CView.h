#pragma once

#include "gui/CKeyCode.h"
#include "gui/CRectangle.h"
#include "gui/CRefCounted.h"
#include "gui/Ref.h"

#include <cstdint>

namespace tovrel {

class CDropData;
class CFrameServices;
class CPaintContext;
class CPixmap;
class CFrameOwner;

// The one message exchanged between views; receivers compare it by address, not by text.
extern const char kMsgCheckIfViewContainer[];

// Everything that occupies a rectangle of the editor window. Most operations do nothing here or
// pass the request up to the parent; controls, containers and the frame override them. Points
// given to the input and drag operations are in the coordinates of `bounds` (the parent's).
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CView : public CRefCounted {
public:
    explicit CView(const CRectangle& bounds);
    ~CView() override;

    // Painting and hit testing.
    virtual void paint(CPaintContext* context);
    virtual void paintArea(CPaintContext* context, const CRectangle& area);
    virtual bool overlaps(const CRectangle& area);
    virtual void handleMouse(CPaintContext* context, CPos where, int32_t buttons);
    virtual void setBackdrop(CPixmap* pixmap);
    virtual CPixmap* getBackdrop() const;

    // Keyboard, wheel, drag and drop, focus.
    virtual int32_t handleKeyDown(const CKeyCode& key);
    virtual int32_t handleKeyUp(const CKeyCode& key);
    virtual bool handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance);
    virtual bool handleWheel(CPaintContext* context, CPos where, float distance);
    virtual bool handleDrop(CPaintContext* context, CDropData* drop, CPos where);
    // A drag entering or moving over a view: true when the view would take the items if they were
    // dropped there, so that the drag source can show it.
    virtual bool handleDragEnter(CPaintContext* context, CDropData* drop, CPos where);
    virtual void handleDragLeave(CPaintContext* context, CDropData* drop, CPos where);
    virtual bool handleDragMove(CPaintContext* context, CDropData* drop, CPos where);
    virtual void focusLost(CPaintContext* context);
    virtual void focusGained(CPaintContext* context);

    // State accessors.
    virtual bool needsRepaint() const;
    virtual void setNeedsRepaint(bool needed);
    virtual void setAcceptsMouse(bool accepts);
    virtual bool acceptsMouse() const;
    virtual void setMouseArea(const CRectangle& area);
    virtual CRectangle& getMouseArea(CRectangle& out) const;
    virtual bool isHit(CPos where, int32_t buttons);
    virtual void setTransparent(bool transparent);
    virtual bool isTransparent() const;
    virtual void setBounds(const CRectangle& area);
    virtual CRectangle& getBounds(CRectangle& out) const;

    // Tree membership and coordinates.
    virtual bool onRemoved(CView* parent);
    virtual bool onAttached(CView* parent);
    virtual void getPointerPosition(CPaintContext* context, CPos& where);
    virtual CPos& toLocal(CPos& where);
    virtual CPos& toFrame(CPos& where);
    virtual CFrameOwner* ownerEditor();
    virtual int32_t receiveMessage(CView* sender, const char* message);
    virtual void redrawArea(CPaintContext* context, const CRectangle& area);
    virtual bool acceptsFocus() const;
    virtual void setAcceptsFocus(bool accepts);
    virtual bool isKindOf(const char* className) const;
    virtual void refresh(CPaintContext* context);

    // Set by the container that adopts the view.
    CFrameServices* getOwnerFrame() const { return ownerFrame; }
    void setOwnerFrame(CFrameServices* frame) { ownerFrame = frame; }
    CView* getParentView() const { return parentView; }
    void setParentView(CView* parent) { parentView = parent; }
    const CRectangle& viewBounds() const { return bounds; }

protected:
    // True when the parent is a container (a frame is one too).
    bool parentIsContainer() const;

    CRectangle bounds;
    CRectangle mouseArea;
    CFrameServices* ownerFrame{nullptr}; // not owned
    CView* parentView{nullptr};          // not owned
    bool repaintPending{false};
    bool mouseAccepted{true};
    bool transparent{false};
    bool focusAccepted{false};
    Ref<CPixmap> backdrop;
};

} // namespace tovrel
