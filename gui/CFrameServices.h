#pragma once

#include "gui/CPos.h"
#include "gui/CScale.h"
#include "gui/platform/PlatformTypes.h"

#include <cstdint>

namespace tovrel {

class CView;

// What the frame asks of the editor that owns it: idle time while a control follows the mouse, the
// host's edit gestures, the knob mode the host set, and whether the host resized its own windows to
// a new frame size. The toolkit knows its editor only as this interface. The editor outlives its
// frame and is never deleted through this interface.
class CFrameOwner {
public:
    virtual void frameIdle() = 0;
    virtual void frameBeginEdit(int32_t tag) = 0;
    virtual void frameEndEdit(int32_t tag) = 0;
    // True when the host sized its windows for the frame's new size itself.
    virtual bool hostSizedWindow(int32_t width, int32_t height) = 0;
    virtual int32_t frameKnobMode() const = 0;
    // The scale the frame is to be drawn at on a screen of `screen`'s scale: at its opening, and
    // when the system tells the window that its screen changed.
    virtual CScale scaleForFrame(const CScale& screen) = 0;
    // The user asked for the frame's menu (a right-click on its background, the menu key) at a
    // point of the screen, in device pixels.
    virtual void frameContextMenu(CPos screenPoint) = 0;
    // The window's own event thread has idle time: the editor's idle work (controls the host
    // changed, the frame's `onIdle`), as for the host's idle call elsewhere.
    virtual void frameWindowIdle() = 0;

protected:
    CFrameOwner() = default;
    ~CFrameOwner() = default;
    CFrameOwner(const CFrameOwner&) = default;
    CFrameOwner& operator=(const CFrameOwner&) = default;
};

// What views, controls, containers and paint contexts ask of the frame they belong to. The frame
// derives from its container first and from this interface second: each operation below that is
// one of the frame's own slots keeps its place in the frame's table, because the frame's override
// serves both. `frameView`, `frameWindow` and `frameScale` are declared by the frame after all its other
// operations. Views never own their frame, so the interface has no public destructor.
class CFrameServices {
public:
    virtual CFrameOwner* ownerEditor() = 0;
    virtual void pumpIdle() = 0;
    virtual void beginParameterEdit(int32_t tag) = 0;
    virtual void endParameterEdit(int32_t tag) = 0;
    virtual bool pointerInWindow(CPos& where) = 0;
    virtual void setKeyFocus(CView* view) = 0;
    virtual CView* getKeyFocus() const = 0;
    virtual void paintView(CView* view) = 0;

    // The frame as the root view of its tree, and its window (null without one).
    virtual CView* frameView() = 0;
    virtual NativeWindow frameWindow() = 0;
    // The scale the frame's window is drawn at.
    virtual CScale frameScale() const { return CScale{}; }

protected:
    CFrameServices() = default;
    ~CFrameServices() = default;
    CFrameServices(const CFrameServices&) = default;
    CFrameServices& operator=(const CFrameServices&) = default;
};

} // namespace tovrel
