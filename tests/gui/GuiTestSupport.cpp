#include "GuiTestSupport.h"

#include "gui/CPaintContext.h"
#include "gui/ModuleInstance.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace tovrel::test {

// Must match resources/make-test-bitmaps.py.
COLORREF rampColour(int x, int y) {
    return RGB(10 + 12 * x, 20 + 14 * y, 77);
}

COLORREF keyedColour(int x, int y) {
    if (x == 1 && y == 0)
        return RGB(254, 255, 255);
    if (x == 2 && y == 0)
        return RGB(255, 255, 254);
    if ((x + 2 * y) % 3 == 0)
        return RGB(255, 255, 255);
    return RGB(15 + 20 * x, 15 + 17 * y, 200);
}

COLORREF trackColour(int x, int y) {
    return RGB(40 + x, 10 + 10 * y, 33);
}

void useTestModuleResources() {
    moduleInstance = GetModuleHandleA(nullptr);
}

// --- DibCanvas ------------------------------------------------------------------------------

DibCanvas::DibCanvas(int width, int height) : w(width), h(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    memory = CreateCompatibleDC(nullptr);
    section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<uint32_t*>(pixels);
    previous = SelectObject(memory, section);
    fill(RGB(0, 0, 0));
}

DibCanvas::~DibCanvas() {
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
}

COLORREF DibCanvas::pixel(int x, int y) const {
    GdiFlush();
    const uint32_t value = bits[y * w + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

void DibCanvas::setPixel(int x, int y, COLORREF colour) {
    GdiFlush();
    bits[y * w + x] =
        (uint32_t(GetRValue(colour)) << 16) | (uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
}

COLORREF DibCanvas::patternColour(int x, int y) const {
    return RGB(x * 3 % 256, y * 3 % 256, 90 + (x + y) % 7);
}

void DibCanvas::fillPattern() {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixel(x, y, patternColour(x, y));
}

void DibCanvas::fill(COLORREF colour) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixel(x, y, colour);
}

void DibCanvas::grabWindow(HWND window) {
    HDC source = GetDC(window);
    BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
}

int DibCanvas::countColour(COLORREF colour, const RECT& area) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += pixel(x, y) == colour ? 1 : 0;
    return count;
}

bool isBlendOf(COLORREF colour, COLORREF from, COLORREF to) {
    const auto within = [](int value, int a, int b) {
        return value >= std::min(a, b) && value <= std::max(a, b);
    };
    return within(GetRValue(colour), GetRValue(from), GetRValue(to)) &&
           within(GetGValue(colour), GetGValue(from), GetGValue(to)) &&
           within(GetBValue(colour), GetBValue(from), GetBValue(to));
}

::testing::AssertionResult regionMatches(const DibCanvas& canvas, const RECT& area, const PixelRule& inside,
                                         const PixelRule& outside) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const bool within = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            const COLORREF expected = within    ? inside(x - area.left, y - area.top)
                                      : outside ? outside(x, y)
                                                : canvas.patternColour(x, y);
            if (canvas.pixel(x, y) != expected)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << std::hex
                                                     << canvas.pixel(x, y) << ", expected " << expected;
        }
    return ::testing::AssertionSuccess();
}

PixelRule keyedOver(const PixelRule& background, POINT corner, POINT source) {
    return [=](int x, int y) {
        const COLORREF colour = keyedColour(source.x + x, source.y + y);
        return colour == RGB(255, 255, 255) ? background(corner.x + x, corner.y + y) : colour;
    };
}

// --- TestWindow -----------------------------------------------------------------------------

namespace {

const char kWindowClass[] = "TovrelGuiTestWindow";

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

TestWindow::TestWindow(int width, int height, int x, int y) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = testWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass); // fails harmlessly once registered
    window = CreateWindowExA(0, kWindowClass, "test", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
}

TestWindow::~TestWindow() {
    if (window)
        DestroyWindow(window);
}

// --- GDI object count -----------------------------------------------------------------------

namespace {
HRESULT giveGlobal(STGMEDIUM* medium, const void* bytes, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}
} // namespace

HRESULT STDMETHODCALLTYPE FakeDropData::GetData(FORMATETC* format, STGMEDIUM* medium) {
    ++requests;
    if (format->tymed != TYMED_HGLOBAL || format->dwAspect != DVASPECT_CONTENT || format->lindex != -1)
        return DV_E_FORMATETC;
    if (format->cfFormat == CF_TEXT && text)
        return giveGlobal(medium, "dragged", 8);
    if (format->cfFormat == CF_HDROP && files > 0) {
        // The file list: a header, then NUL-terminated names, then one more NUL.
        std::string names;
        for (int i = 0; i < files; ++i)
            names += "C:\\file" + std::to_string(i) + ".wav" + '\0';
        names += '\0';
        std::string block(sizeof(DROPFILES), '\0');
        DROPFILES header{};
        header.pFiles = sizeof(DROPFILES);
        std::memcpy(&block[0], &header, sizeof(header));
        block += names;
        return giveGlobal(medium, block.data(), block.size());
    }
    return DV_E_FORMATETC;
}

int screenPercent() {
    static const int percent = [] {
        HDC screen = GetDC(nullptr);
        const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return (dotsPerInch * 100 + 48) / 96;
    }();
    return percent;
}

SIZE windowSize(HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    return SIZE{area.right - area.left, area.bottom - area.top};
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(1);
    }
    return true;
}

int processGdiObjectCount() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0)
        return static_cast<int>(reported);
        // The shared handle table: one cell per handle, the object type in each cell's type field.
#ifdef _WIN64
    const unsigned char* environment = nullptr;
    asm("movq %%gs:0x60, %0" : "=r"(environment));
    const auto* table = *reinterpret_cast<const unsigned char* const*>(environment + 0xF8);
    constexpr int cellSize = 24;
    constexpr int typeOffset = 14;
#else
    const unsigned char* environment = nullptr;
    asm("movl %%fs:0x30, %0" : "=r"(environment));
    const auto* table = *reinterpret_cast<const unsigned char* const*>(environment + 0x94);
    // Wine lays the table out alike on both architectures; 32-bit Windows packs its cells tighter.
    const bool underWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    const int cellSize = underWine ? 24 : 16;
    const int typeOffset = underWine ? 14 : 10;
#endif
    if (!table)
        return -1;
    int count = 0;
    for (int cell = 0; cell < 0x10000; ++cell)
        count += table[cell * cellSize + typeOffset] != 0 ? 1 : 0;
    return count;
}

// --- SyntheticInput -------------------------------------------------------------------------

SyntheticInput::~SyntheticInput() {
    for (DWORD flags : heldButtons)
        mouse(flags);
    for (WORD key : heldKeys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof(input));
    }
}

void SyntheticInput::mouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

namespace {

void track(std::vector<DWORD>& held, DWORD release, bool down) {
    auto found = std::find(held.begin(), held.end(), release);
    if (down && found == held.end())
        held.push_back(release);
    if (!down && found != held.end())
        held.erase(found);
}

} // namespace

void SyntheticInput::pressLeft(bool down) {
    mouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    track(heldButtons, MOUSEEVENTF_LEFTUP, down);
}

void SyntheticInput::pressRight(bool down) {
    mouse(down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
    track(heldButtons, MOUSEEVENTF_RIGHTUP, down);
}

void SyntheticInput::pressMiddle(bool down) {
    mouse(down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP);
    track(heldButtons, MOUSEEVENTF_MIDDLEUP, down);
}

void SyntheticInput::pressKey(WORD virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
    auto found = std::find(heldKeys.begin(), heldKeys.end(), virtualKey);
    if (down && found == heldKeys.end())
        heldKeys.push_back(virtualKey);
    if (!down && found != heldKeys.end())
        heldKeys.erase(found);
}

// --- TestFrame ------------------------------------------------------------------------------

TestFrame::TestFrame(const CRectangle& area, HWND frameWindowHandle)
    : CViewContainer(area), window(frameWindowHandle) {
    ownerFrame = this;
}

void TestFrame::setKeyFocus(CView* view) {
    focus = view;
    events.push_back(view ? "focus" : "focus cleared");
}

// --- RecordingView --------------------------------------------------------------------------

int RecordingView::destroyed = 0;

RecordingView::RecordingView(const char* viewName, const CRectangle& area, std::vector<std::string>* events,
                             COLORREF paintColour)
    : CView(area), name(viewName), log(events), colour(paintColour) {}

RecordingView::~RecordingView() {
    ++destroyed;
}

void RecordingView::record(const std::string& event, CPos where) {
    if (log)
        log->push_back(name + "." + event + " " + std::to_string(where.h) + "," + std::to_string(where.v));
}

void RecordingView::paint(CPaintContext* context) {
    ++paints;
    lastContextOffset = context->getOffset();
    // fillArea leaves the top row and left column alone: start one pixel further up and left.
    context->setFillColor(CRgba{GetRValue(colour), GetGValue(colour), GetBValue(colour), 255});
    context->fillArea(CRectangle{bounds.left - 1, bounds.top - 1, bounds.right, bounds.bottom});
    setNeedsRepaint(false);
}

void RecordingView::handleMouse(CPaintContext* /*context*/, CPos where, int32_t buttons) {
    record("mouse" + std::to_string(buttons), where);
}

int32_t RecordingView::handleKeyDown(const CKeyCode& /*key*/) {
    record("keyDown", CPos{});
    return keyAnswer;
}

int32_t RecordingView::handleKeyUp(const CKeyCode& /*key*/) {
    record("keyUp", CPos{});
    return keyAnswer;
}

bool RecordingView::handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float /*distance*/) {
    if (context)
        lastContextOffset = context->getOffset();
    record("wheel" + std::to_string(axis), where);
    return true;
}

bool RecordingView::handleDrop(CPaintContext* context, CDropData* /*drop*/, CPos where) {
    if (context)
        lastContextOffset = context->getOffset();
    record("drop", where);
    return true;
}

bool RecordingView::handleDragEnter(CPaintContext* /*context*/, CDropData* /*drop*/, CPos where) {
    record("enter", where);
    return takesDrops;
}

void RecordingView::handleDragLeave(CPaintContext* /*context*/, CDropData* /*drop*/, CPos where) {
    record("leave", where);
}

bool RecordingView::handleDragMove(CPaintContext* /*context*/, CDropData* /*drop*/, CPos where) {
    record("move", where);
    return takesDrops;
}

void RecordingView::focusLost(CPaintContext* /*context*/) {
    record("focusLost", CPos{});
}

bool RecordingView::onRemoved(CView* /*parent*/) {
    record("removed", CPos{});
    return true;
}

bool RecordingView::onAttached(CView* /*parent*/) {
    record("attached", CPos{});
    return true;
}

// --- TestControl ----------------------------------------------------------------------------

void TestControl::paint(CPaintContext* context) {
    ++paints;
    context->setFillColor(kRgbaRed);
    context->fillArea(CRectangle{bounds.left - 1, bounds.top - 1, bounds.right, bounds.bottom});
    setNeedsRepaint(false);
}

} // namespace tovrel::test
