#pragma once

#include "gui/CFrameServices.h"
#include "gui/COleSession.h"
#include "gui/CViewContainer.h"
#include "gui/Ref.h"

#include <windows.h>

#include <cstdint>

namespace tovrel {

class CFileDropTarget;

// The shapes `setCursorShape` takes. The default, the copy cursor and any other number put back
// the cursor the frame found.
enum : int32_t {
    kCursorDefault = 0,
    kCursorWait = 1,
    kCursorHorizontalSize = 2,
    kCursorVerticalSize = 3,
    kCursorSizeAll = 4,
    kCursorNeswSize = 5,
    kCursorNwseSize = 6,
    kCursorCopy = 7,
    kCursorNotAllowed = 8,
    kCursorHand = 9,
};

// The root of the view tree and the toolkit's one contact with the window system: it owns a child
// window inside the host's window, turns that window's messages into view events, repaints the
// views that changed when the editor's idle call comes, keeps the keyboard focus and an optional
// modal view, and resizes itself and, when the host cannot, the host's windows.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CFrame : public CViewContainer, public CFrameServices {
public:
    // A null host window gives a frame without a window of its own.
    CFrame(const CRectangle& bounds, HWND hostWindow, CFrameOwner* owner);
    ~CFrame() override;

    // What the frame changes of its container's behaviour.
    void paint(CPaintContext* context) override;
    void paintArea(CPaintContext* context, const CRectangle& area) override;
    void handleMouse(CPaintContext* context, CPos where, int32_t buttons) override;
    int32_t handleKeyDown(const CKeyCode& key) override;
    int32_t handleKeyUp(const CKeyCode& key) override;
    bool handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) override;
    void setBounds(const CRectangle& area) override;
    CFrameOwner* ownerEditor() override;
    bool isKindOf(const char* className) const override;
    void refresh(CPaintContext* context) override;
    CView* viewUnderPointer() override;
    bool moveFocus(CView* oldFocus, bool backwards) override;

    // Window state and the editor's idle work.
    virtual bool isWindowAlive() const;
    virtual void onIdle();
    void pumpIdle() override;
    virtual uint32_t tickCount();
    virtual int32_t currentKnobMode() const;

    // The host's windows: where they are and how large.
    virtual bool setWindowPosition(int32_t x, int32_t y);
    virtual bool getWindowPosition(int32_t& x, int32_t& y);
    virtual bool setFrameSize(int32_t width, int32_t height);
    virtual bool getFrameSize(CRectangle& size);
    virtual bool getFrameSize(CRectangle* size);

    // Modal view, edit gestures, pointer and cursor.
    virtual bool setModalChild(CView* view);
    virtual CView* getModalChild() const;
    void beginParameterEdit(int32_t tag) override;
    void endParameterEdit(int32_t tag) override;
    bool pointerInWindow(CPos& where) override;
    virtual void setCursorShape(int32_t shape);

    // Keyboard focus and dropping.
    void setKeyFocus(CView* view) override;
    CView* getKeyFocus() const override;
    virtual bool enableDrop(bool enable);
    virtual bool isDropEnabled() const;
    virtual void setWindowAlive(bool alive);

    // Repainting.
    virtual void markAreaForRepaint(const CRectangle& area);
    virtual bool suspendUpdates(bool suspend);
    virtual bool areUpdatesSuspended() const;
    void paintView(CView* view) override;

    CView* frameView() override { return this; }
    HWND frameWindow() override { return window; }
    CScale frameScale() const override { return scale; }

    // Draws the frame at another scale: the window takes the new size, once the host has resized
    // its own window for it; false, with scale and size as they were, when the host refuses.
    bool setScale(const CScale& next);

    // A context for the frame's window with no device of its own.
    Ref<CPaintContext> makePaintContext();
    // The first window above the frame window that has a caption, has no parent, or differs in
    // size from the frame window by more than 60 pixels; null when the walk runs out.
    HWND findOuterWindow() const;
    bool createFrameWindow(HWND parent);

    HWND getHostWindow() const { return hostWindow; }
    CFileDropTarget* getDropTarget() const { return dropTarget.get(); }

    // The name under which the frame window class is registered, and how many frames use it.
    static const char* frameClassName();
    static int32_t frameClassUsers();

private:
    static LRESULT CALLBACK frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool registerFrameClass();
    static void releaseFrameClass();
    // The window's end: drop registration, OLE, the window and its class, on the window's thread.
    void closeWindow();
    void closeWindowFromOtherThread();
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Points a caller that gave no context at one made for the window, held by the result.
    Ref<CPaintContext> makeContextIfNone(CPaintContext*& context);
    // Resizes one window of the chain above the frame window, keeping its position.
    static void resizeWindow(HWND target, int32_t width, int32_t height);
    void revokeDropTarget();

    CFrameOwner* frameOwner{nullptr}; // not owned
    HWND hostWindow{nullptr};
    CView* modalChild{nullptr}; // also an ordinary child
    CView* focusView{nullptr};  // not owned, no reference held
    bool awaitingFirstPaint{true};
    bool windowAlive{true};
    bool dropEnabled{false};
    bool updatesSuspended{false};
    bool usesFrameClass{false}; // this frame counted itself among the class's users
    HWND window{nullptr};
    CScale scale;
    HMODULE imagingLibrary{nullptr};
    ComRef<CFileDropTarget> dropTarget; // shared with its OLE registration
    HCURSOR savedCursor{nullptr};
    COleSession ole; // drag and drop on the window's thread
};

} // namespace tovrel
