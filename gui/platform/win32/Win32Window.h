#pragma once

#include "gui/Ref.h"
#include "gui/platform/PlatformWindow.h"
#include "gui/platform/win32/CFileDropTarget.h"
#include "gui/platform/win32/COleSession.h"

#include <windows.h>

namespace tovrel {

// The frame's child window under Windows: one window class for every frame of the process, a
// window procedure that turns messages into the frame's events, OLE drag and drop with its
// session on the window's thread, the cursor, and the host's windows above. It also looks up the
// optional imaging functions of "msimg32.dll" for the painters while it lives.
class Win32Window final : public PlatformWindow {
public:
    Win32Window(CFrame& frame, PlatformWindowEvents& events);
    ~Win32Window() override;

    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    bool open(NativeWindow parent, CPos size) override;
    void close(bool alive) override;
    NativeWindow handle() const override { return window; }
    // The window procedure has every event already, from the host's message loop.
    void deliverEvents() override {}
    void resize(CPos size) override;
    void invalidate() override;
    void setCursorShape(int32_t shape) override;
    void restoreCursor() override;
    bool enableDrop(bool enable) override;
    bool isDropEnabled() const override { return dropEnabled; }
    bool resizeHostWindows(CPos frameSize) override;
    NativeWindow outerWindow() const override;
    CPos outerWindowPlace() const override;
    CRectangle hostWindowArea() const override;

    CFileDropTarget* getDropTarget() const { return dropTarget.get(); }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void registerClass();
    static void releaseClass();
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's end on the window's thread: drop registration, OLE, the window and its class.
    void closeOnThisThread(bool alive);
    // Has the window's own thread end it; false when that thread does not answer in time.
    bool closeFromOtherThread();
    void revokeDropTarget();

    CFrame& frame;
    PlatformWindowEvents& events;
    HWND window{nullptr};
    bool usesClass{false}; // this window counted itself among the class's users
    bool dropEnabled{false};
    HMODULE imagingLibrary{nullptr};
    ComRef<CFileDropTarget> dropTarget; // shared with its OLE registration
    HCURSOR savedCursor{nullptr};
    COleSession ole; // drag and drop on the window's thread
};

// The drop target a frame's window registered; null without one. For the tests of drag and drop.
CFileDropTarget* dropTargetOf(const CFrame& frame);

} // namespace tovrel
