#include "tools/vsthost/EditorHostWindow.h"

namespace tovrel {

namespace {

constexpr const char* kHostClassName = "TovrelEditorHost";

ATOM registerHostClass() {
    static ATOM atom = 0;
    if (atom)
        return atom;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kHostClassName;
    atom = RegisterClassA(&windowClass);
    return atom;
}

} // namespace

EditorHostWindow::~EditorHostWindow() {
    close();
}

bool EditorHostWindow::open(AEffect* effect, int left, int top) {
    close();
    record = effect;
    ERect* rect = nullptr;
    if (!effect || !(effect->flags & vst::effFlagsHasEditor) ||
        effect->dispatcher(effect, vst::effEditGetRect, 0, 0, &rect, 0.0f) == 0 || !rect) {
        lastError = "the plug-in has no editor";
        return false;
    }
    clientWidth = rect->right - rect->left;
    clientHeight = rect->bottom - rect->top;
    if (!registerHostClass()) {
        lastError = "cannot register the host window class";
        return false;
    }
    RECT frame{0, 0, clientWidth, clientHeight};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    hostWindow =
        CreateWindowExA(0, kHostClassName, "tovrel_vst", style, left, top, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!hostWindow) {
        lastError = "cannot create the host window";
        return false;
    }
    ShowWindow(hostWindow, SW_SHOWNORMAL);
    UpdateWindow(hostWindow);
    if (effect->dispatcher(effect, vst::effEditOpen, 0, 0, hostWindow, 0.0f) == 0) {
        lastError = "the editor did not open";
        DestroyWindow(hostWindow);
        hostWindow = nullptr;
        return false;
    }
    editorOpen = true;
    idle(3);
    return true;
}

void EditorHostWindow::close() {
    if (editorOpen && record)
        record->dispatcher(record, vst::effEditClose, 0, 0, nullptr, 0.0f);
    editorOpen = false;
    if (hostWindow)
        DestroyWindow(hostWindow);
    hostWindow = nullptr;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

void EditorHostWindow::idle(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (editorOpen)
            record->dispatcher(record, vst::effEditIdle, 0, 0, nullptr, 0.0f);
    }
}

bool EditorHostWindow::capture(std::vector<uint32_t>& pixels) {
    if (!hostWindow)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = clientWidth;
    info.bmiHeader.biHeight = -clientHeight; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC windowDc = GetDC(hostWindow);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memoryDc && section && bits) {
        HGDIOBJ previous = SelectObject(memoryDc, section);
        ok = BitBlt(memoryDc, 0, 0, clientWidth, clientHeight, windowDc, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        const auto* source = static_cast<const uint32_t*>(bits);
        pixels.assign(source, source + static_cast<size_t>(clientWidth) * static_cast<size_t>(clientHeight));
        for (uint32_t& pixel : pixels)
            pixel &= 0x00FFFFFF;
        SelectObject(memoryDc, previous);
    }
    if (section)
        DeleteObject(section);
    if (memoryDc)
        DeleteDC(memoryDc);
    ReleaseDC(hostWindow, windowDc);
    return ok;
}

} // namespace tovrel
