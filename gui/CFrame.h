#pragma once

#include "gui/CFrameServices.h"
#include "gui/CViewContainer.h"
#include "gui/Ref.h"
#include "gui/platform/PlatformWindow.h"

#include <cstdint>
#include <memory>

namespace tovrel {

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
// window inside the host's window (a PlatformWindow), turns that window's events into view events, repaints
// the views that changed when the editor's idle call comes, keeps the keyboard focus and an optional modal
// view, and resizes itself and, when the host cannot, the host's windows. Deliberate: the virtual operations
// keep their documented slot order (docs/deliberate-choices.md).
class CFrame : public CViewContainer, public CFrameServices {
public:
    // A null host window gives a frame without a window of its own.
    CFrame(const CRectangle& bounds, NativeWindow hostWindow, CFrameOwner* owner);
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
    NativeWindow frameWindow() override { return platform->handle(); }
    CScale frameScale() const override { return scale; }

    // Draws the frame at another scale: the window takes the new size, once the host has resized
    // its own window for it; false, with scale and size as they were, when the host refuses.
    bool setScale(const CScale& next);

    // A context for the frame's window with no device of its own.
    Ref<CPaintContext> makePaintContext();
    // The first window above the frame window that has a caption, has no parent, or differs in
    // size from the frame window by more than 60 pixels; null when the walk runs out.
    NativeWindow findOuterWindow() const;
    bool createFrameWindow(NativeWindow parent);

    NativeWindow getHostWindow() const { return hostWindow; }
    PlatformWindow* getPlatformWindow() const { return platform.get(); }

    // The name under which the frame window class is registered, and how many frames use it.
    static const char* frameClassName();
    static int32_t frameClassUsers();

private:
    // What the window reports, turned into the frame's own operations.
    class WindowEvents final : public PlatformWindowEvents {
    public:
        explicit WindowEvents(CFrame& owner) : frame(owner) {}
        void windowExposed(NativeDevice device, const CRectangle& area) override;
        void windowButtonDown(CPos windowPoint) override;
        bool windowWheel(CPos screenPoint, float notches) override;
        bool windowKey(const CKeyCode& key, bool down) override;
        void windowScreenChanged(const CScale& screen) override;
        bool windowContextMenu(CPos screenPoint, bool atPointer) override;
        void windowDestroyed() override;
        void windowIdle() override;

    private:
        CFrame& frame;
    };

    // Points a caller that gave no context at one made for the window, held by the result.
    Ref<CPaintContext> makeContextIfNone(CPaintContext*& context);

    CFrameOwner* frameOwner{nullptr}; // not owned
    NativeWindow hostWindow{};
    CView* modalChild{nullptr}; // also an ordinary child
    CView* focusView{nullptr};  // not owned, no reference held
    bool awaitingFirstPaint{true};
    bool windowAlive{true};
    bool updatesSuspended{false};
    CScale scale;
    WindowEvents events{*this};
    std::unique_ptr<PlatformWindow> platform; // never null
};

} // namespace tovrel
