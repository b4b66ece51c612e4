#pragma once

// Shared fixtures of the GUI toolkit tests: a drawing target whose pixels can be read, a real
// window, the process's GDI object count, a frame stand-in and views that record what reaches
// them.

#include "gui/CControl.h"
#include "gui/CFrameServices.h"
#include "gui/CViewContainer.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tovrel::test {

// The resources compiled into the test program.
constexpr int32_t kRampBitmap = 129;  // 20 x 16, every pixel a different colour
constexpr int32_t kKeyedBitmap = 130; // 12 x 14, pure white and other colours mixed
constexpr int32_t kTrackBitmap = 131; // 160 x 16, every pixel a different colour, no white
COLORREF rampColour(int x, int y);
COLORREF keyedColour(int x, int y);
COLORREF trackColour(int x, int y);

// Makes the test program's own resources the ones the toolkit loads.
void useTestModuleResources();

// A 32-bit DIB section in a memory device: drawing goes in, pixels come out exactly.
class DibCanvas {
public:
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC device() const { return memory; }
    int width() const { return w; }
    int height() const { return h; }
    COLORREF pixel(int x, int y) const;
    void setPixel(int x, int y, COLORREF colour);
    // Gives every pixel its own colour, so that "unchanged" can be checked pixel by pixel.
    void fillPattern();
    COLORREF patternColour(int x, int y) const;
    void fill(COLORREF colour);
    // Copies what the window shows into the canvas at (0, 0).
    void grabWindow(HWND window);
    // Pixels whose colour is `colour` within [left, right) x [top, bottom).
    int countColour(COLORREF colour, const RECT& area) const;

private:
    int w;
    int h;
    HDC memory{nullptr};
    HBITMAP section{nullptr};
    HGDIOBJ previous{nullptr};
    uint32_t* bits{nullptr};
};

// Whether each channel of `colour` lies between those of `from` and `to`: what text in `to` drawn
// over `from` may leave at a pixel, at full strength or as any font's smoothed edge.
bool isBlendOf(COLORREF colour, COLORREF from, COLORREF to);

using PixelRule = std::function<COLORREF(int x, int y)>;

// Checks every pixel of the canvas: those inside `area` against `inside`, given coordinates
// relative to the area's corner; all others against `outside` (by default the canvas pattern,
// that is: untouched).
::testing::AssertionResult regionMatches(const DibCanvas& canvas, const RECT& area, const PixelRule& inside,
                                         const PixelRule& outside = nullptr);

// What drawing the keyed bitmap from `source` at the corner of an area over `background` shows.
PixelRule keyedOver(const PixelRule& background, POINT corner, POINT source = POINT{0, 0});

// A visible top-level window of the given client size at the given screen position.
class TestWindow {
public:
    TestWindow(int width, int height, int x = 120, int y = 80);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND handle() const { return window; }

private:
    HWND window{nullptr};
};

// The screen's scale as the tests see it, from the DPI the system reports (96 is 100 %), and
// where a view pixel of the editor lies in device pixels at a scale: every edge rounded on its own,
// half up. The tests give every point in the editor's 100 % coordinates.
int screenPercent();
inline int screenPixels(int x, int percent = screenPercent()) {
    return (2 * x * percent + 100) / 200;
}

// A window's outer size.
SIZE windowSize(HWND window);

// Polls `condition` until it holds, for at most `timeoutMs` milliseconds; true when it held. For
// platform state that synthesized input reaches a little later, instead of a fixed sleep.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 2000);

// A COM object's reference count: the one reference taken to read it is given back at once.
template <typename Com> ULONG comRefCount(Com* object) {
    object->AddRef();
    return object->Release();
}

// GDI objects the process holds. Wine's GetGuiResources answers 0; there the shared handle
// table that the process environment block points to is counted instead.
int processGdiObjectCount();

// A data object offering text, a list of files, both or neither, as global memory. It lives on
// the stack and is never deleted through its interface.
class FakeDropData : private IDataObject {
public:
    FakeDropData(bool withText, int fileCount) : text(withText), files(fileCount) {}
    virtual ~FakeDropData() = default;
    IDataObject* comInterface() { return this; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

    int requests{0};

private:
    bool text;
    int files;
};

// Presses and releases mouse buttons and keys through the platform's input queue, so that
// GetAsyncKeyState sees them; everything still held is released on destruction.
class SyntheticInput {
public:
    SyntheticInput() = default;
    ~SyntheticInput();
    SyntheticInput(const SyntheticInput&) = delete;
    SyntheticInput& operator=(const SyntheticInput&) = delete;

    void pressLeft(bool down);
    void pressRight(bool down);
    void pressMiddle(bool down);
    void pressKey(WORD virtualKey, bool down);
    bool leftHeld() const {
        return std::find(heldButtons.begin(), heldButtons.end(), MOUSEEVENTF_LEFTUP) != heldButtons.end();
    }

private:
    void mouse(DWORD flags);
    std::vector<DWORD> heldButtons; // the release flags still owed
    std::vector<WORD> heldKeys;
};

// Stands in for the frame: a container that is its own frame and records the calls it gets.
class TestFrame : public CViewContainer, public CFrameServices {
public:
    explicit TestFrame(const CRectangle& bounds, HWND window = nullptr);

    CFrameOwner* ownerEditor() override { return nullptr; }
    void pumpIdle() override { ++idlePumps; }
    void beginParameterEdit(int32_t tag) override { events.push_back("begin " + std::to_string(tag)); }
    void endParameterEdit(int32_t tag) override { events.push_back("end " + std::to_string(tag)); }
    bool pointerInWindow(CPos& where) override {
        where = pointer;
        return true;
    }
    void setKeyFocus(CView* view) override;
    CView* getKeyFocus() const override { return focus; }
    void paintView(CView* view) override { paintedViews.push_back(view); }
    CView* frameView() override { return this; }
    HWND frameWindow() override { return window; }

    std::vector<std::string> events;
    std::vector<CView*> paintedViews;
    CView* focus{nullptr};
    CPos pointer;
    int idlePumps{0};

private:
    HWND window;
};

// A view that logs what reaches it as "name.event h,v", and paints its bounds in one colour.
class RecordingView : public CView {
public:
    RecordingView(const char* name, const CRectangle& bounds, std::vector<std::string>* log,
                  COLORREF colour = RGB(200, 40, 40));
    ~RecordingView() override;

    void paint(CPaintContext* context) override;
    void handleMouse(CPaintContext* context, CPos where, int32_t buttons) override;
    int32_t handleKeyDown(const CKeyCode& key) override;
    int32_t handleKeyUp(const CKeyCode& key) override;
    bool handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) override;
    bool handleDrop(CPaintContext* context, CDropData* drop, CPos where) override;
    bool handleDragEnter(CPaintContext* context, CDropData* drop, CPos where) override;
    void handleDragLeave(CPaintContext* context, CDropData* drop, CPos where) override;
    bool handleDragMove(CPaintContext* context, CDropData* drop, CPos where) override;
    void focusLost(CPaintContext* context) override;
    bool onRemoved(CView* parent) override;
    bool onAttached(CView* parent) override;

    int32_t keyAnswer{-1};
    bool takesDrops{false}; // the answer to a drag entering or moving over the view
    int paints{0};
    CPos lastContextOffset;
    static int destroyed;

private:
    void record(const std::string& event, CPos where);
    std::string name;
    std::vector<std::string>* log;
    COLORREF colour;
};

// A control that paints its bounds in one colour and reports its paints.
class TestControl : public CControl {
public:
    TestControl(const CRectangle& area, CControlObserver* changeObserver = nullptr, int32_t controlTag = 0,
                CPixmap* pixmap = nullptr)
        : CControl(area, changeObserver, controlTag, pixmap) {}

    void paint(CPaintContext* context) override;

    int paints{0};
};

} // namespace tovrel::test
