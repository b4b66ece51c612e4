// The editor base as the host drives it through the dispatcher: rectangle, open and close, idle,
// keys, knob mode, edit gestures to the host, the rate-limited idle pump, and OLE set-up.
#include "EditorTestSupport.h"
#include "GuiTestSupport.h"

#include "editor/ScaleChoice.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <thread>

namespace tovrel::test {
namespace {

// A fake millisecond clock for the idle pump; sleeping only records how long.
uint32_t fakeNow = 0;
std::vector<uint32_t> sleeps;

uint32_t fakeTicks() {
    return fakeNow;
}

void fakeSleep(uint32_t milliseconds) {
    sleeps.push_back(milliseconds);
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        useTestModuleResources();
        sleeps.clear();
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0) {
        return effect->dispatch(opcode, index, value, ptr, opt);
    }
    void open() { ASSERT_EQ(dispatch(vst::effEditOpen, 0, 0, host.handle()), 1); }

    std::vector<std::string> log; // outlives the editor, whose views write to it as they go
    RecordingHost recorder;
    TestWindow host{200, 240};
    std::unique_ptr<TestEffect> effect = std::make_unique<TestEffect>(RecordingHost::callback());
    TestEditor* editor = attachNewEditor<TestEditor>(effect.get());
};

TEST_F(EditorTest, RectangleOpenCloseAndKnobMode) {
    EXPECT_EQ(effect->attachedEditor(), editor);
    EXPECT_NE(effect->effectRecord()->flags & vst::effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 225);
    EXPECT_EQ(rect->right, 183);

    // A derived editor that sets nothing reports four zeros.
    TestEffect bare(RecordingHost::callback());
    attachNewEditor<GuiEditor>(&bare);
    EXPECT_EQ(bare.dispatch(vst::effEditGetRect, 0, 0, &rect, 0), 1);
    EXPECT_EQ(rect->bottom, 0);
    EXPECT_EQ(rect->right, 0);

    // The knob mode is one for the whole process.
    EXPECT_EQ(dispatch(vst::effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(knobMode, 2);
    open();
    EXPECT_EQ(editor->getFrame()->currentKnobMode(), 2);
    EXPECT_EQ(bare.dispatch(vst::effSetEditKnobMode, 0, 1, nullptr, 0), 1);
    EXPECT_EQ(editor->getFrame()->currentKnobMode(), 1);
    knobMode = 0;

    EXPECT_TRUE(editor->isWindowOpen());
    EXPECT_EQ(GetParent(editor->getFrame()->frameWindow()), host.handle());
    EXPECT_EQ(editor->getFrame()->ownerEditor(), editor->frameOwner());
    dispatch(vst::effEditClose);
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_FALSE(editor->isWindowOpen());
}

TEST_F(EditorTest, KeysCountAsUsedOnlyWhenTheFrameAnswersOne) {
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'a'), 0); // closed
    EXPECT_FALSE(editor->onWheelTurn(1.0f));
    dispatch(vst::effEditIdle); // closed: nothing to refresh, nothing breaks
    open();
    auto* view = editor->getFrame()->add<RecordingView>("view", CRectangle{0, 0, 50, 50}, &log);
    view->setAcceptsFocus(true);

    EXPECT_EQ(dispatch(vst::effEditKeyDown, 0, vst::VKEY_TAB), 1); // the focus moved
    EXPECT_EQ(editor->getFrame()->getKeyFocus(), view);
    view->keyAnswer = 0;
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'a'), 0);
    EXPECT_EQ(dispatch(vst::effEditKeyUp, 'a'), 0);
    view->keyAnswer = 1;
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'a'), 1);
    EXPECT_EQ(dispatch(vst::effEditKeyUp, 'a'), 1);
    view->keyAnswer = 5;
    EXPECT_EQ(dispatch(vst::effEditKeyDown, 'a'), 0);
}

TEST_F(EditorTest, EditGesturesAndIdleReachTheHostAndTheFrame) {
    open();
    CountingFrame* frame = editor->countingFrame();
    frame->beginParameterEdit(2);
    frame->endParameterEdit(2);
    ASSERT_EQ(recorder.callsOf(vst::audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(recorder.callsOf(vst::audioMasterBeginEdit)[0].index, 2);
    ASSERT_EQ(recorder.callsOf(vst::audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(recorder.callsOf(vst::audioMasterEndEdit)[0].index, 2);
    EXPECT_NE(frame->tickCount(), 0u);

    dispatch(vst::effEditIdle);
    EXPECT_EQ(frame->idleRefreshes, 1);
}

TEST_F(EditorTest, WheelTurnFromTheEditorGoesToTheViewUnderTheCursor) {
    open();
    editor->getFrame()->add<RecordingView>("left", CRectangle{0, 0, 90, 100}, &log);
    editor->getFrame()->add<RecordingView>("right", CRectangle{90, 0, 183, 100}, &log);
    log.clear();
    SetCursorPos(120 + 100, 80 + 20);
    EXPECT_TRUE(editor->onWheelTurn(1.0f));
    SetCursorPos(120 + 20, 80 + 150);
    EXPECT_FALSE(editor->onWheelTurn(1.0f)); // no view there
    EXPECT_EQ(log, (std::vector<std::string>{"right.wheel1 100,20"}));
}

TEST_F(EditorTest, HostThatResizesItsWindowLeavesOnlyTheFrameWindowToResize) {
    recorder.answer(vst::audioMasterCanDo, 1);
    recorder.answer(vst::audioMasterSizeWindow, 1);
    open();
    CFrame* frame = editor->getFrame();
    EXPECT_TRUE(frame->setFrameSize(250, 300));
    EXPECT_EQ(windowSize(frame->frameWindow()).cx, 250);
    EXPECT_EQ(windowSize(frame->frameWindow()).cy, 300);
    EXPECT_EQ(windowSize(host.handle()).cx, 200);
    EXPECT_EQ(windowSize(host.handle()).cy, 240);
    const auto canDo = recorder.callsOf(vst::audioMasterCanDo);
    ASSERT_EQ(canDo.size(), 1u);
    EXPECT_EQ(canDo[0].text, "sizeWindow");
    const auto sized = recorder.callsOf(vst::audioMasterSizeWindow);
    ASSERT_EQ(sized.size(), 1u);
    EXPECT_EQ(sized[0].index, 250);
    EXPECT_EQ(sized[0].value, 300);

    // A host that refuses the request: the frame grows the host's window itself.
    recorder.answer(vst::audioMasterSizeWindow, 0);
    EXPECT_TRUE(frame->setFrameSize(260, 310));
    EXPECT_EQ(windowSize(frame->frameWindow()).cx, 260);
    EXPECT_EQ(windowSize(host.handle()).cx, 260);
    EXPECT_EQ(windowSize(host.handle()).cy, 310);
}

// --- The idle pump --------------------------------------------------------------------------

TEST_F(EditorTest, IdlePumpWorksAtMostOncePerIdleRate) {
    open();
    CountingFrame* frame = editor->countingFrame();
    fakeNow = 10000;
    editor->setIdleClock(fakeTicks, fakeSleep);
    editor->pumpIdle();
    EXPECT_EQ(frame->idleRefreshes, 1);
    EXPECT_EQ(recorder.callsOf(vst::audioMasterIdle).size(), 1u);
    EXPECT_EQ(editor->nextIdleStep(), 10100u);
    EXPECT_TRUE(sleeps.empty());

    // 10 ms later: 90 early, still 86 early after the short sleep. Nothing is done.
    fakeNow = 10010;
    editor->pumpIdle();
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{4}));
    EXPECT_EQ(frame->idleRefreshes, 1);
    EXPECT_EQ(recorder.callsOf(vst::audioMasterIdle).size(), 1u);
    EXPECT_EQ(editor->nextIdleStep(), 10100u);

    // 30 ms early: after the sleep the call is close enough and does the whole step.
    fakeNow = 10070;
    editor->pumpIdle();
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{4, 4}));
    EXPECT_EQ(frame->idleRefreshes, 2);
    EXPECT_EQ(recorder.callsOf(vst::audioMasterIdle).size(), 2u);
    EXPECT_EQ(editor->nextIdleStep(), 10174u);

    // On time: no sleep.
    fakeNow = 10174;
    editor->pumpIdle();
    EXPECT_EQ(sleeps.size(), 2u);
    EXPECT_EQ(frame->idleRefreshes, 3);
}

TEST_F(EditorTest, IdlePumpKeepsWorkingWhenTheClockWraps) {
    fakeNow = 0xFFFFFF90u;
    editor->setIdleClock(fakeTicks, fakeSleep);
    editor->pumpIdle();
    EXPECT_EQ(editor->nextIdleStep(), 0xFFFFFFF4u);
    // The clock wraps; the step came due 28 ms ago. It is done at once, not weeks later.
    fakeNow = 0x10u;
    editor->pumpIdle();
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(recorder.callsOf(vst::audioMasterIdle).size(), 2u);
    EXPECT_EQ(editor->nextIdleStep(), 0x74u);
    // Early across the wrap is still early.
    fakeNow = 0xFFFFFFF0u;
    editor->setIdleClock(fakeTicks, fakeSleep);
    editor->pumpIdle();
    fakeNow = 0x10u; // 32 ms after the step, 68 early: nothing
    editor->pumpIdle();
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{4}));
    EXPECT_EQ(recorder.callsOf(vst::audioMasterIdle).size(), 3u);
}

TEST_F(EditorTest, IdlePumpStepsAfterAnyLongPause) {
    // A drag that starts weeks after the last step gets its step at once: a pause of more than
    // 2^31 ms is no more "early" than a short one, and neither is a pause across the clock's wrap.
    constexpr uint32_t kDay = 24u * 60u * 60u * 1000u;
    for (const uint32_t start : {0u, 0xFFFFFF00u}) {
        for (const uint32_t days : {20u, 25u, 40u}) {
            fakeNow = start;
            editor->setIdleClock(fakeTicks, fakeSleep);
            editor->pumpIdle();
            const size_t idles = recorder.callsOf(vst::audioMasterIdle).size();
            fakeNow = start + days * kDay;
            editor->pumpIdle();
            EXPECT_EQ(recorder.callsOf(vst::audioMasterIdle).size(), idles + 1)
                << days << " days from " << start;
            EXPECT_EQ(editor->nextIdleStep(), fakeNow + 100u);
            // The pump keeps its rate afterwards: 10 ms later is early.
            fakeNow += 10;
            editor->pumpIdle();
            EXPECT_EQ(recorder.callsOf(vst::audioMasterIdle).size(), idles + 1);
        }
    }
    EXPECT_EQ(sleeps, std::vector<uint32_t>(6, 4)); // only the early calls slept
}

// Counts the paint messages of its windows and validates them.
int paintMessages = 0;
LRESULT CALLBACK countingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        ++paintMessages;
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(EditorTest, IdlePumpDispatchesAtMostOnePaintMessagePerStep) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = countingWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TovrelPaintCounter";
    RegisterClassA(&windowClass);
    UpdateWindow(host.handle());
    HWND first = makeChildWindow(host.handle(), "TovrelPaintCounter", 0, 0, 50, 50);
    HWND second = makeChildWindow(host.handle(), "TovrelPaintCounter", 60, 0, 50, 50);
    paintMessages = 0;
    InvalidateRect(first, nullptr, FALSE);
    InvalidateRect(second, nullptr, FALSE);

    fakeNow = 500;
    editor->setIdleClock(fakeTicks, fakeSleep);
    editor->pumpIdle();
    EXPECT_EQ(paintMessages, 1);
    fakeNow = 510; // too early: no message either
    editor->pumpIdle();
    EXPECT_EQ(paintMessages, 1);
    fakeNow = 600;
    editor->pumpIdle();
    EXPECT_EQ(paintMessages, 2);
    DestroyWindow(first);
    DestroyWindow(second);
}

// A host that answers its idle call by sending effEditIdle straight back.
AEffect* reenteringEffect = nullptr;
int hostIdles = 0;
intptr_t VST_CALL reenteringHost(AEffect* effect, int32_t opcode, int32_t, intptr_t, void*, float) {
    if (opcode == vst::audioMasterVersion)
        return vst::kVstVersion;
    if (opcode == vst::audioMasterIdle && reenteringEffect) {
        ++hostIdles;
        effect->dispatcher(effect, vst::effEditIdle, 0, 0, nullptr, 0.0f);
    }
    return 0;
}

TEST_F(EditorTest, HostSendingEditIdleFromItsIdleCallDoesNotReenterTheRefresh) {
    TestEffect reentered(reenteringHost);
    auto* reenteredEditor = attachNewEditor<TestEditor>(&reentered);
    reenteringEffect = reentered.effectRecord();
    hostIdles = 0;
    ASSERT_EQ(reentered.dispatch(vst::effEditOpen, 0, 0, host.handle(), 0), 1);
    fakeNow = 2000;
    reenteredEditor->setIdleClock(fakeTicks, fakeSleep);
    reenteredEditor->pumpIdle();
    EXPECT_EQ(hostIdles, 1);
    EXPECT_EQ(reenteredEditor->editIdles, 2); // the pump's own, and the host's
    EXPECT_EQ(reenteredEditor->countingFrame()->idleRefreshes, 1);
    reentered.dispatch(vst::effEditClose, 0, 0, nullptr, 0);
    reenteringEffect = nullptr;
}

// --- OLE ------------------------------------------------------------------------------------

// How many OLE initialisations the calling thread holds, measured without changing it: a fresh
// OleInitialize answers S_OK only when there were none.
int oleDepth() {
    int depth = 0;
    while (OleInitialize(nullptr) != S_OK) {
        OleUninitialize();
        OleUninitialize();
        ++depth;
    }
    OleUninitialize();
    for (int i = 0; i < depth; ++i)
        OleInitialize(nullptr);
    return depth;
}

TEST_F(EditorTest, OleIsHeldOnlyWhileTheWindowIsOpenOnItsThread) {
    std::vector<int> depths;
    std::thread([&depths] {
        depths.push_back(oleDepth());
        auto made = std::make_unique<TestEffect>(nullptr);
        auto* madeEditor = attachNewEditor<TestEditor>(made.get());
        depths.push_back(oleDepth()); // making the effect leaves the thread alone
        TestWindow window(200, 240);
        madeEditor->onEditOpen(window.handle());
        depths.push_back(oleDepth());
        EXPECT_NE(dropTargetOf(*madeEditor->getFrame()), nullptr);
        madeEditor->onEditClose();
        depths.push_back(oleDepth());
        made.reset();
        depths.push_back(oleDepth());
    }).join();
    EXPECT_EQ(depths, (std::vector<int>{0, 0, 1, 0, 0}));
}

TEST_F(EditorTest, FrameNeverTakesAThreadsOwnComAway) {
    // A thread in the multithreaded apartment refuses OLE: the frame still shows its window and
    // leaves the apartment as it was.
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        TestWindow window(200, 240);
        GuiEditor::FrameHolder made =
            makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, window.handle(), nullptr);
        EXPECT_NE(made->frameWindow(), nullptr);
        made.reset();
        EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
        CoUninitialize();
    }).join();
    EXPECT_EQ(type, APTTYPE_MTA);
    EXPECT_NE(qualifier, APTTYPEQUALIFIER_IMPLICIT_MTA);

    // A frame made on one thread and destroyed on another takes no count from the second.
    GuiEditor::FrameHolder moved;
    std::vector<int> depths;
    std::thread([&] { moved = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, nullptr, nullptr); }).join();
    std::thread([&] {
        OleInitialize(nullptr);
        depths.push_back(oleDepth());
        moved.reset();
        depths.push_back(oleDepth());
        OleUninitialize();
    }).join();
    EXPECT_EQ(depths, (std::vector<int>{1, 1}));
}

// The user's choice of size lives in the user's registry key of the plug-in, as a number: only a
// size the menu offers counts, and anything else there reads as "follow the screen".
TEST(ScaleChoiceStorage, KeepsOfferedSizesInTheUsersRegistryKey) {
    constexpr const char* kKey = "Software\\tovrel\\tovrel_vst";
    struct ForgetChoice {
        ~ForgetChoice() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "EditorScale"); }
    } forget;
    const auto stored = [&]() -> long {
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegGetValueA(HKEY_CURRENT_USER, kKey, "EditorScale", RRF_RT_REG_DWORD, nullptr, &value, &size) !=
            ERROR_SUCCESS)
            return -1;
        return static_cast<long>(value);
    };
    const struct {
        int32_t chosen;
        long kept; // in the registry
        int32_t read;
        int32_t onA150Screen;
    } cases[] = {
        {250, 250, 250, 250}, {100, 100, 100, 100}, {0, 0, 0, 150}, {130, 0, 0, 150}, {-5, 0, 0, 150}};
    for (const auto& c : cases) {
        ASSERT_TRUE(ScaleChoice::keep(c.chosen)) << c.chosen;
        EXPECT_EQ(stored(), c.kept) << c.chosen;
        EXPECT_EQ(ScaleChoice::kept(), c.read) << c.chosen;
        EXPECT_EQ(ScaleChoice::scaleOn(CScale(150)).getPercent(), c.onA150Screen) << c.chosen;
    }

    // A value of another kind, or one no menu offers, is not a choice.
    const char text[] = "200";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "EditorScale", REG_SZ, text, sizeof(text)),
              ERROR_SUCCESS);
    EXPECT_EQ(ScaleChoice::kept(), 0);
    const DWORD unoffered = 180;
    ASSERT_EQ(
        RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "EditorScale", REG_DWORD, &unoffered, sizeof(unoffered)),
        ERROR_SUCCESS);
    EXPECT_EQ(ScaleChoice::kept(), 0);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "EditorScale");
    EXPECT_EQ(ScaleChoice::kept(), 0);
}

} // namespace
} // namespace tovrel::test
