// The editor under random input, as a host and a user give it: several plug-in instances, each
// editor in a host window of its own, driven by seeded random sequences of pointer moves, clicks,
// drags (with and without Shift and Control), wheel turns, keys, focus changes, paint and size
// messages, while a second thread automates the three parameters and the editors are opened and
// closed at random moments, some of them from the host's idle answer in the middle of a drag.
//
// Checked: nothing crashes; every parameter and every automated value stays within 0..1; every
// Begin-edit is matched by exactly one End-edit, and nothing is automated outside an edit; after
// the run, the process holds as many GDI objects and windows as before it.
//
//   tovrel_editor_fuzz [--seed N] [--events N]
//
// The drags need the real button state (the slider polls it): an input thread presses, moves and
// releases through the platform's input queue while the window's thread follows the drag.
#include "GuiTestSupport.h"

#include "support/EditorFuzzModel.h"
#include "tools/vsthost/PluginLibrary.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tovrel::test {
namespace {

constexpr int kInstances = 3;
constexpr int kParameters = kFuzzParameters;
// The editor's size on this screen.
const int kEditorWidth = screenPixels(183);
const int kEditorHeight = screenPixels(225);
constexpr int kWarmUpEvents = 100;

// One plug-in instance in its own host window. Touched by the window's thread only, except the
// effect's parameters, which the automation thread sets too.
struct Instance {
    AEffect* effect{nullptr};
    HWND host{nullptr};
    int left{0};
    int top{0};
    bool editorOpen{false};
    bool closeAtNextIdle{false};
};

Instance instances[kInstances];
EditGestureChecker checker;

void fault(const std::string& what) {
    checker.fault(what);
}

Instance* instanceOf(AEffect* effect) {
    for (Instance& instance : instances)
        if (instance.effect && instance.effect == effect)
            return &instance;
    return nullptr;
}

void closeEditor(Instance& instance) {
    if (!instance.editorOpen)
        return;
    instance.editorOpen = false;
    instance.effect->dispatcher(instance.effect, vst::effEditClose, 0, 0, nullptr, 0.0f);
    checker.count(&FuzzCounts::closes);
    checker.checkClosed(instance.effect);
}

// The host's idle answer, on the window's thread: it may close the editor while a slider follows
// the mouse.
void closeOnIdle(AEffect* effect) {
    Instance* instance = instanceOf(effect);
    if (instance && instance->closeAtNextIdle) {
        instance->closeAtNextIdle = false;
        closeEditor(*instance);
        checker.count(&FuzzCounts::closesInDrags);
    }
}

// The host's answers, on the window's thread: edit gestures are checked as they come.
intptr_t VST_CALL hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == vst::audioMasterVersion)
        return vst::kVstVersion;
    checker.hostCall(effect, opcode, index, opt);
    return 0;
}

// --- The input thread -----------------------------------------------------------------------

class InputThread {
public:
    InputThread() : worker([this] { run(); }) {}
    ~InputThread() {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        worker.join();
    }

    void start(const DragPlan& drag) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            plan = drag;
            pending = true;
            done = false;
        }
        wake.notify_all();
    }
    bool finished() {
        const std::lock_guard<std::mutex> lock(mutex);
        return done;
    }

private:
    void run() {
        for (;;) {
            DragPlan drag;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return pending || stopping; });
                if (stopping)
                    return;
                drag = plan;
                pending = false;
            }
            play(drag);
            const std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
    }

    static void play(const DragPlan& drag) {
        SyntheticInput input; // releases whatever is still held when it goes
        if (drag.control)
            input.pressKey(VK_CONTROL, true);
        if (drag.shift)
            input.pressKey(VK_SHIFT, true);
        input.pressLeft(true);
        Sleep(15);
        for (size_t step = 0; step < drag.path.size(); ++step) {
            if (static_cast<int>(step) == drag.shiftAt)
                input.pressKey(VK_SHIFT, true);
            // Screen coordinates, one position every few milliseconds.
            SetCursorPos(drag.path[step].x, drag.path[step].y);
            Sleep(4);
        }
        input.pressLeft(false);
        input.pressKey(VK_SHIFT, false);
        input.pressKey(VK_CONTROL, false);
    }

    std::mutex mutex;
    std::condition_variable wake;
    DragPlan plan;
    bool pending{false};
    bool done{true};
    bool stopping{false};
    std::thread worker;
};

// --- The window's thread --------------------------------------------------------------------

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void idleAll() {
    pumpMessages();
    for (Instance& instance : instances)
        if (instance.editorOpen)
            instance.effect->dispatcher(instance.effect, vst::effEditIdle, 0, 0, nullptr, 0.0f);
}

void checkParameters() {
    for (Instance& instance : instances)
        checker.checkParameters(instance.effect);
}

BOOL CALLBACK countWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, &countWindow, count);
    return TRUE;
}

// USER objects: the platform's count where it gives one, and the windows of this thread.
int userObjectCount() {
    int count = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    EnumThreadWindows(GetCurrentThreadId(), &countWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND editorWindow(const Instance& instance) {
    return GetWindow(instance.host, GW_CHILD);
}

class Fuzzer {
public:
    explicit Fuzzer(uint32_t seed) : random(seed) {}

    int below(int limit) { return random.below(limit); }
    bool chance(int percent) { return random.chance(percent); }

    // A point of the editor, in its window's coordinates.
    POINT editorPoint() {
        const FuzzPoint point = random.editorPoint(kEditorWidth, kEditorHeight);
        return POINT{point.x, point.y};
    }
    POINT screenPoint(const Instance& instance) {
        POINT point = editorPoint();
        ClientToScreen(instance.host, &point);
        return point;
    }

    void open(Instance& instance) {
        if (instance.editorOpen)
            return;
        // The host sizes its window to the editor before it opens it.
        ERect* rect = nullptr;
        instance.effect->dispatcher(instance.effect, vst::effEditGetRect, 0, 0, &rect, 0.0f);
        if (!rect || rect->right - rect->left != kEditorWidth || rect->bottom - rect->top != kEditorHeight)
            fault("the editor's rectangle is not 183 x 225 at the screen's scale");
        if (instance.effect->dispatcher(instance.effect, vst::effEditOpen, 0, 0, instance.host, 0.0f) != 1)
            fault("the editor did not open");
        else
            instance.editorOpen = true;
        checker.count(&FuzzCounts::opens);
    }

    void drag(Instance& instance, InputThread& input) {
        const POINT pressAt = screenPoint(instance);
        const DragPlan plan = random.drag(FuzzPoint{pressAt.x, pressAt.y});
        const bool closeInDrag = chance(15);
        // The press is real input and lands on whatever window lies under the pointer. A press on
        // a host window's caption, border or buttons starts the window system's own move, size or
        // close of that window, which is no input to the editor and changes the host's windows
        // under the run: only a press on the editor's window is made.
        HWND editor = editorWindow(instance);
        if (!editor || WindowFromPoint(pressAt) != editor) {
            checker.count(&FuzzCounts::dragsNotOnTheEditor);
            return;
        }
        SetCursorPos(pressAt.x, pressAt.y);
        instance.closeAtNextIdle = instance.editorOpen && closeInDrag;
        input.start(plan);
        // The drag runs inside the button-down message; it lasts until the input thread lets go.
        const DWORD start = GetTickCount();
        while (!input.finished() && GetTickCount() - start < 10000) {
            pumpMessages();
            Sleep(1);
        }
        if (!input.finished())
            fault("a drag did not end");
        Sleep(5);
        idleAll();
        instance.closeAtNextIdle = false;
        checker.count(&FuzzCounts::drags);
    }

    void click(Instance& instance) {
        HWND editor = editorWindow(instance);
        if (!editor)
            return;
        const POINT point = editorPoint();
        const UINT message = chance(70) ? WM_LBUTTONDOWN : (chance(50) ? WM_RBUTTONDOWN : WM_MBUTTONDOWN);
        // The button is not held: a slider starts an edit and ends it at its first poll.
        SendMessageA(editor, message, 0, MAKELPARAM(point.x, point.y));
        checker.count(&FuzzCounts::clicks);
    }

    void wheel(Instance& instance) {
        HWND editor = editorWindow(instance);
        if (!editor)
            return;
        const POINT screen = screenPoint(instance);
        const int notches = below(7) - 3;
        SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, notches * 40),
                     MAKELPARAM(static_cast<int16_t>(screen.x), static_cast<int16_t>(screen.y)));
        checker.count(&FuzzCounts::wheelTurns);
    }

    void key(Instance& instance) {
        // The host passes keys through the dispatcher: the arrows move the focused slider, Tab
        // moves the focus, anything else is left to the host.
        static const int32_t virtualKeys[] = {vst::VKEY_TAB, 11, 12, 13, 14, 0, 1, 20};
        const int32_t virtualKey = virtualKeys[below(8)];
        const float modifiers = static_cast<float>(below(16));
        const int32_t opcode = chance(70) ? vst::effEditKeyDown : vst::effEditKeyUp;
        instance.effect->dispatcher(instance.effect, opcode, 'a' + below(26), virtualKey, nullptr, modifiers);
        if (HWND editor = editorWindow(instance))
            PostMessageA(editor, WM_KEYDOWN, static_cast<WPARAM>(VK_LEFT + below(4)), 0);
        checker.count(&FuzzCounts::keys);
    }

    void windowMessage(Instance& instance) {
        HWND editor = editorWindow(instance);
        switch (below(5)) {
        case 0: // focus
            SetFocus(chance(50) && editor ? editor : instance.host);
            break;
        case 1: { // paint a part of the editor
            RECT area{below(kEditorWidth), below(kEditorHeight), 0, 0};
            area.right = area.left + 1 + below(kEditorWidth);
            area.bottom = area.top + 1 + below(kEditorHeight);
            InvalidateRect(editor ? editor : instance.host, &area, chance(50));
            UpdateWindow(instance.host);
            break;
        }
        case 2: // the host resizes its window, and back
            SetWindowPos(instance.host, nullptr, 0, 0, 60 + below(300), 60 + below(300),
                         SWP_NOMOVE | SWP_NOZORDER);
            if (chance(50))
                restoreSize(instance);
            break;
        case 3: // size messages straight to the editor's window
            if (editor)
                SendMessageA(editor, WM_SIZE, SIZE_RESTORED, MAKELPARAM(below(400), below(400)));
            break;
        default: // the pointer wanders
        {
            const POINT point = screenPoint(instance);
            SetCursorPos(point.x, point.y);
            if (editor)
                PostMessageA(editor, WM_MOUSEMOVE, 0, 0);
            break;
        }
        }
    }

    static void restoreSize(Instance& instance) {
        RECT frame{0, 0, kEditorWidth, kEditorHeight};
        AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, FALSE);
        SetWindowPos(instance.host, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }

    void event(InputThread& input) {
        Instance& instance = instances[below(kInstances)];
        const int kind = below(100);
        if (kind < 6) {
            if (instance.editorOpen)
                closeEditor(instance);
            else
                open(instance);
        } else if (kind < 20) {
            if (instance.editorOpen)
                drag(instance, input);
        } else if (kind < 35) {
            click(instance);
        } else if (kind < 50) {
            wheel(instance);
        } else if (kind < 65) {
            key(instance);
        } else if (kind < 90) {
            windowMessage(instance);
        } else {
            idleAll();
        }
        pumpMessages();
        if (chance(30))
            idleAll();
        checkParameters();
        checker.count(&FuzzCounts::events);
    }

private:
    FuzzRandom random;
};

ATOM registerHostClass() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "TovrelFuzzHost";
    return RegisterClassA(&windowClass);
}

int run(uint32_t seed, long events) {
    std::printf("editor fuzz: seed %u, %ld events, %d instances\n", seed, events, kInstances);
    PluginLibrary library;
    if (!library.load("tovrel_vst.dll")) {
        std::printf("FAILED: %s\n", library.error().c_str());
        return 1;
    }
    registerHostClass();
    for (int i = 0; i < kInstances; ++i) {
        Instance& instance = instances[i];
        instance.left = 40 + i * 220;
        instance.top = 60;
        instance.effect = library.createEffect(&hostCallback);
        if (!instance.effect) {
            std::printf("FAILED: no effect\n");
            return 1;
        }
        checker.track(instance.effect);
        RECT frame{0, 0, kEditorWidth, kEditorHeight};
        AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, FALSE);
        instance.host =
            CreateWindowExA(0, "TovrelFuzzHost", "fuzz", WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                            instance.left, instance.top, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(instance.host, SW_SHOWNORMAL);
    }

    checker.setReaction(vst::audioMasterIdle, &closeOnIdle);
    Fuzzer fuzzer(seed);
    InputThread input;
    auto closeAll = [] {
        for (Instance& instance : instances) {
            closeEditor(instance);
            Fuzzer::restoreSize(instance);
        }
        pumpMessages();
    };
    // A warm-up first, with all three editors open at once and then a short run of the same
    // input: what the process loads once (fonts, the imaging library) and the platform's caches of
    // window device contexts, which grow with use and keep their entries, are not counted.
    for (Instance& instance : instances)
        fuzzer.open(instance);
    idleAll();
    for (int event = 0; event < kWarmUpEvents; ++event)
        fuzzer.event(input);
    closeAll();
    const FuzzCounts warmUp = checker.counts();
    checker.setCounts(FuzzCounts{});
    const int gdiBefore = processGdiObjectCount();
    const int userBefore = userObjectCount();

    const auto started = std::chrono::steady_clock::now();
    long automated = 0;
    bool automationOutOfRange = false;
    {
        std::vector<AEffect*> effects;
        for (Instance& instance : instances)
            effects.push_back(instance.effect);
        AutomationThread automation(seed ^ 0x9E3779B9u, effects);
        for (long event = 0; event < events && !checker.failed(); ++event)
            fuzzer.event(input);
        automation.stop();
        automated = automation.changes();
        automationOutOfRange = automation.sawOutOfRange();
    }
    closeAll();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int gdiAfter = processGdiObjectCount();
    const int userAfter = userObjectCount();

    checker.checkRunEnd(warmUp, automationOutOfRange);
    if (gdiAfter != gdiBefore)
        fault("GDI objects " + std::to_string(gdiBefore) + " before, " + std::to_string(gdiAfter) + " after");
    if (userAfter != userBefore)
        fault("USER objects " + std::to_string(userBefore) + " before, " + std::to_string(userAfter) +
              " after");
    checkParameters();

    checker.printSummary(seconds, automated);
    std::printf("  GDI objects %d -> %d, USER objects %d -> %d (after a warm-up of %ld events)\n", gdiBefore,
                gdiAfter, userBefore, userAfter, warmUp.events);

    for (Instance& instance : instances) {
        instance.effect->dispatcher(instance.effect, vst::effClose, 0, 0, nullptr, 0.0f);
        instance.effect = nullptr;
        DestroyWindow(instance.host);
    }
    return checker.verdict(seed);
}

} // namespace
} // namespace tovrel::test

int main(int argc, char** argv) {
    const tovrel::test::FuzzOptions options = tovrel::test::parseFuzzOptions(argc, argv);
    const int result = tovrel::test::run(options.seed, options.events);
    std::fflush(stdout);
    return result;
}
