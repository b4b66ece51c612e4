// The slider: where it paints its track and handle, the value it takes from the mouse (driven by
// real synthesized input that the drag loop polls), the wheel and the arrow keys, and the edit
// bracket around each change.
#include "GuiTestSupport.h"

#include "gui/CControlObserver.h"
#include "gui/COffscreenPaint.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"
#include "gui/CSlider.h"
#include "gui/platform/win32/PlatformEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>

namespace tovrel::test {
namespace {

// The editor's slider geometry: a 160 x 16 track at left 10, the handle travelling 148 pixels.
const CRectangle kSliderArea{10, 20, 170, 36};
constexpr int32_t kMinimumPosition = 10;
constexpr int32_t kMaximumPosition = 158;
constexpr int kWindowX = 120;
constexpr int kWindowY = 80;

class RecordingObserver final : public CControlObserver {
public:
    explicit RecordingObserver(std::vector<std::string>* eventLog) : log(eventLog) {}
    void controlChanged(CPaintContext* context, CControl* control) override {
        contexts.push_back(context);
        values.push_back(control->getValue());
        lastValue.store(control->getValue());
        log->push_back("changed");
    }
    int32_t modifierClick(CPaintContext* /*context*/, CControl* /*control*/, int32_t buttons) override {
        log->push_back("modifier " + std::to_string(buttons));
        return modifierAnswer;
    }
    std::vector<float> values;
    std::vector<CPaintContext*> contexts;
    std::atomic<float> lastValue{-1.0f}; // for a thread that waits for a value to arrive
    int32_t modifierAnswer{0};

private:
    std::vector<std::string>* log;
};

// A frame whose idle pump plays the next step of a script each time the drag loop calls it. The
// loop reads the pointer before it pumps and computes the value at its next turn, so a pointer
// movement shows in the value two pumps later, a button or key one pump later. With the script
// played out, the frame waits one pump more and lets the button go.
class ScriptedFrame : public TestFrame {
public:
    using TestFrame::TestFrame;
    void pumpIdle() override {
        ++pumps;
        if (next < script.size())
            script[next++]();
        else if (releaseWhenDone && ++pumpsAfterScript == 2)
            input.pressLeft(false);
    }
    std::vector<std::function<void()>> script;
    size_t next{0};
    bool releaseWhenDone{true};
    int pumpsAfterScript{0};
    std::atomic<int> pumps{0};
    SyntheticInput input;
};

class SliderTest : public ::testing::Test {
protected:
    SliderTest() {
        useTestModuleResources();
        track = makeRef<CPixmap>(kTrackBitmap);
        knob = makeRef<CPixmap>(kKeyedBitmap);
    }
    // A slider of the editor's kind, added to the frame.
    CSlider* addSlider(int32_t style = kStyleHorizontal | kStyleLeft, int32_t tag = 0) {
        slider = frame.add<CSlider>(kSliderArea, &observer, tag, kMinimumPosition, kMaximumPosition,
                                    knob.get(), track.get(), CPos{0, 0}, style);
        frame.events.clear();
        return slider;
    }
    // Paints the frame's slider into the canvas: the slider's area shows the track with a keyed
    // handle whose left edge is `handleLeft` pixels from the slider's, the rest is untouched.
    void expectHandleAt(int handleLeft, int handleTop = 0) {
        canvas.fillPattern();
        CPaintContext context(&frame, canvas.device(), nullptr);
        slider->paint(&context);
        EXPECT_TRUE(
            regionMatches(canvas, RECT{10, 20, 170, 36}, withHandle(POINT{handleLeft, handleTop}, true)))
            << "handle at " << handleLeft;
    }
    // The track with the handle's pixels at `corner` (relative to the track) over it.
    static PixelRule withHandle(POINT corner, bool keyed, POINT trackSource = POINT{0, 0}) {
        const PixelRule trackPixel = [=](int x, int y) {
            return trackColour(trackSource.x + x, trackSource.y + y);
        };
        const PixelRule handlePixel = keyed ? keyedOver(trackPixel, corner) : PixelRule(keyedColour);
        return [=](int x, int y) {
            const bool onHandle = x >= corner.x && x < corner.x + 12 && y >= corner.y && y < corner.y + 14;
            return onHandle ? handlePixel(x - corner.x, y - corner.y) : trackPixel(x, y);
        };
    }
    // Presses the left button (and `modifiers`) with the pointer at `h` pixels from the window's
    // left and lets the slider track it; the frame's script runs while it polls.
    void dragFrom(int h, std::initializer_list<WORD> modifiers = {}) {
        ASSERT_TRUE(SetCursorPos(kWindowX + h, kWindowY + 28));
        for (WORD key : modifiers)
            frame.input.pressKey(key, true);
        frame.input.pressLeft(true);
        ASSERT_TRUE(currentButtons() & kMouseLeft);
        frame.next = 0;
        frame.pumpsAfterScript = 0;
        CPaintContext context(&frame, nullptr, window.handle());
        frame.handleMouse(&context, CPos{h, 28}, -1);
        // A click the slider did not track leaves the button down.
        frame.input.pressLeft(false);
        for (WORD key : modifiers)
            frame.input.pressKey(key, false);
    }
    std::function<void()> moveTo(int h) {
        return [h] { SetCursorPos(kWindowX + h, kWindowY + 28); };
    }
    static void settle() {}
    std::function<void()> key(WORD virtualKey, bool down) {
        return [this, virtualKey, down] { frame.input.pressKey(virtualKey, down); };
    }

    TestWindow window{200, 60, kWindowX, kWindowY};
    ScriptedFrame frame{CRectangle{0, 0, 200, 60}, window.handle()};
    RecordingObserver observer{&frame.events};
    DibCanvas canvas{200, 60};
    // Given up before the frame, which keeps its sliders' references to them.
    Ref<CPixmap> track;
    Ref<CPixmap> knob;
    CSlider* slider{nullptr};
};

using SliderPainting = SliderTest;
using SliderDrag = SliderTest;
using SliderSteps = SliderTest;

TEST_F(SliderPainting, HandleLeftEdgeLiesAtTheTruncatedShareOfTheTravel) {
    addSlider();
    ASSERT_NE(slider->getBackBuffer(), nullptr);
    for (float value : {0.0f, 1.0f / 3.0f, 0.5f, 0.77f, 0.999f, 1.0f}) {
        slider->setValue(value);
        expectHandleAt(static_cast<int>(148.0f * value));
        EXPECT_FALSE(slider->needsRepaint());
    }
    // Values set by program code outside the range keep the handle on the track.
    slider->setValue(1.7f);
    expectHandleAt(148);
    slider->setValue(std::numeric_limits<float>::quiet_NaN());
    expectHandleAt(0);
    // An offset moves the handle and its limits: at the far end it is cut at 3 + 148 + 12.
    slider->setHandleOffset(CPos{3, 1});
    slider->setValue(0.5f);
    expectHandleAt(74 + 3, 1);
    slider->setValue(1.0f);
    expectHandleAt(151, 1);
}

TEST_F(SliderPainting, UnattachedUnkeyedHandleAndTrackOffset) {
    // Without a back buffer the slider draws straight into the context at its bounds.
    const Ref<CSlider> loose =
        makeRef<CSlider>(CRectangle{30, 10, 90, 26}, nullptr, 0, 30, 78, knob.get(), track.get(), CPos{7, 0});
    EXPECT_EQ(loose->getBackBuffer(), nullptr);
    loose->setKeyedHandle(false);
    loose->setValue(0.5f); // 48 x 0.5 = 24
    canvas.fillPattern();
    CPaintContext context(nullptr, canvas.device(), nullptr);
    loose->paint(&context);
    EXPECT_TRUE(regionMatches(canvas, RECT{30, 10, 90, 26}, withHandle(POINT{24, 0}, false, POINT{7, 0})));
}

TEST_F(SliderPainting, TransparentSliderShowsWhatLiesBeneathThroughItsTrack) {
    // The keyed bitmap as the track, no handle: its white pixels let the canvas through.
    auto* clear =
        frame.add<CSlider>(CRectangle{40, 5, 52, 19}, nullptr, 0, 40, 40, nullptr, knob.get(), CPos{});
    clear->setTransparent(true);
    canvas.fillPattern();
    CPaintContext context(&frame, canvas.device(), nullptr);
    clear->paint(&context);
    const PixelRule beneath = [this](int x, int y) { return canvas.patternColour(x, y); };
    EXPECT_TRUE(regionMatches(canvas, RECT{40, 5, 52, 19}, keyedOver(beneath, POINT{40, 5})));
}

TEST_F(SliderPainting, HandleReferencesAndBackBufferLifetime) {
    addSlider();
    EXPECT_EQ(knob->getRefCount(), 2);
    slider->setHandlePixmap(knob.get()); // the same pixmap again
    EXPECT_EQ(knob->getRefCount(), 2);
    slider->setHandlePixmap(nullptr);
    EXPECT_EQ(knob->getRefCount(), 1);
    slider->setValue(0.5f);
    expectHandleAt(1000); // the bare track

    // The back buffer exists only while the slider is attached.
    const int objects = processGdiObjectCount();
    for (int i = 0; i < 50; ++i) {
        Ref<CView> taken = frame.takeChild(slider);
        EXPECT_EQ(slider->getBackBuffer(), nullptr);
        frame.addChild(std::move(taken));
    }
    EXPECT_EQ(processGdiObjectCount(), objects);
    frame.removeChild(slider, true);
    EXPECT_EQ(track->getRefCount(), 1);
}

// --- Mouse ----------------------------------------------------------------------------------

TEST_F(SliderDrag, ClickSetsTheValueUnderTheHandlesGripPoint) {
    addSlider();
    // The pointer holds the handle at its sixth pixel: left + 5 is 0, left + 153 is 1.
    const struct {
        int h;
        float value;
    } clicks[] = {{10 + 5, 0.0f}, {10 + 153, 1.0f}, {10 + 160, 1.0f}, {10 + 79, 0.5f}, {10, 0.0f}};
    for (const auto& click : clicks) {
        slider->setValue(0.3f);
        slider->setNeedsRepaint(false);
        dragFrom(click.h);
        EXPECT_FLOAT_EQ(slider->getValue(), click.value) << click.h;
    }
    // Dragged beyond either end of the slider, the value stays in its range.
    frame.script = {moveTo(195)};
    dragFrom(10 + 79);
    EXPECT_EQ(slider->getValue(), 1.0f);
    frame.script = {moveTo(10 + 100), moveTo(1)};
    dragFrom(10 + 79);
    EXPECT_EQ(slider->getValue(), 0.0f);
    EXPECT_EQ(currentButtons() & kMouseLeft, 0);
}

TEST_F(SliderDrag, DragReportsEachNewValueInsideOneEditBracket) {
    addSlider(kStyleHorizontal | kStyleLeft, 2);
    slider->setNeedsRepaint(false);
    frame.script = {moveTo(10 + 100), moveTo(10 + 130)};
    dragFrom(10 + 79);
    EXPECT_FLOAT_EQ(observer.values.front(), 0.5f);
    EXPECT_NE(std::find(observer.values.begin(), observer.values.end(), 95.0f / 148.0f),
              observer.values.end());
    EXPECT_FLOAT_EQ(slider->getValue(), 125.0f / 148.0f);
    EXPECT_NE(observer.contexts.front(), nullptr); // the drag's own context
    ASSERT_GE(frame.events.size(), 4u);
    const std::vector<std::string> opening{"focus", "begin 2", "changed"};
    EXPECT_EQ(std::vector<std::string>(frame.events.begin(), frame.events.begin() + 3), opening);
    EXPECT_EQ(frame.events.back(), "end 2");
    EXPECT_EQ(std::count(frame.events.begin(), frame.events.end(), "begin 2"), 1);
    // The editor got idle time at every poll.
    EXPECT_GE(frame.pumps.load(), 3);
}

TEST_F(SliderDrag, ShiftHeldFromTheStartMovesATenthOfTheWay) {
    addSlider();
    slider->setValue(0.5f);
    slider->setNeedsRepaint(false);
    frame.script = {moveTo(10 + 79 + 100)};
    dragFrom(10 + 79, {VK_SHIFT});
    EXPECT_EQ(frame.events.front(), "modifier 9"); // the observer is asked first
    EXPECT_NEAR(slider->getValue(), 0.5f + 100.0f / 148.0f / 10.0f, 1e-6f);
}

TEST_F(SliderDrag, ShiftPressedDuringADragContinuesFromTheCurrentValue) {
    addSlider();
    std::vector<float> afterStep;
    auto record = [&] { afterStep.push_back(slider->getValue()); };
    frame.script = {moveTo(10 + 79), settle, key(VK_SHIFT, true),  record, moveTo(10 + 79 + 100),
                    settle,          record, key(VK_SHIFT, false), record};
    dragFrom(10 + 40);
    ASSERT_EQ(afterStep.size(), 3u);
    EXPECT_FLOAT_EQ(afterStep[0], 0.5f);                              // no jump when Shift goes down
    EXPECT_NEAR(afterStep[1], 0.5f + 100.0f / 148.0f / 10.0f, 1e-6f); // fine movement
    EXPECT_FLOAT_EQ(afterStep[2], 1.0f); // Shift up: the handle catches up with the pointer (clamped)
}

TEST_F(SliderDrag, ControlClickResetsWithoutTracking) {
    addSlider(kStyleHorizontal | kStyleLeft, 1);
    slider->setValue(0.9f);
    slider->setNeedsRepaint(false);
    dragFrom(10 + 20, {VK_CONTROL});
    EXPECT_EQ(slider->getValue(), 0.5f);
    const std::vector<std::string> expected{"modifier 17", "focus", "begin 1", "changed", "end 1"};
    EXPECT_EQ(frame.events, expected);
    EXPECT_EQ(frame.pumps.load(), 0);
}

TEST_F(SliderDrag, ClicksTheSliderDoesNotTake) {
    addSlider();
    slider->setValue(0.25f);

    // The observer claims a modifier click.
    observer.modifierAnswer = 1;
    dragFrom(10 + 100, {VK_MENU});
    EXPECT_EQ(frame.events, std::vector<std::string>{"modifier 33"});
    observer.modifierAnswer = 0;
    frame.events.clear();

    // The right button alone.
    CPaintContext context(&frame, nullptr, window.handle());
    slider->handleMouse(&context, CPos{60, 28}, kMouseRight);
    // A slider that takes no mouse.
    slider->setAcceptsMouse(false);
    slider->handleMouse(&context, CPos{60, 28}, kMouseLeft);
    EXPECT_TRUE(frame.events.empty());
    EXPECT_EQ(slider->getValue(), 0.25f);
}

TEST_F(SliderDrag, WithoutClickAnywhereOnlyTheHandleIsGripped) {
    addSlider();
    slider->setClickAnywhere(false);
    EXPECT_FALSE(slider->getClickAnywhere());
    slider->setValue(0.5f); // handle from 10 + 74 to 10 + 86, rows 20 to 34
    slider->setNeedsRepaint(false);

    dragFrom(10 + 74 - 1);
    dragFrom(10 + 86 + 1);
    EXPECT_TRUE(frame.events.empty());
    EXPECT_EQ(slider->getValue(), 0.5f);

    // Taken at its right edge and moved 37 pixels: the value follows the movement alone.
    frame.script = {moveTo(10 + 86 + 37)};
    dragFrom(10 + 86);
    EXPECT_FLOAT_EQ(slider->getValue(), (74.0f + 37.0f) / 148.0f);
    EXPECT_EQ(frame.events.front(), "focus");
}

TEST_F(SliderDrag, ValueZeroAtTheRightWithStyleRight) {
    addSlider(kStyleHorizontal | kStyleRight);
    slider->setValue(0.25f);
    expectHandleAt(static_cast<int>(148.0f * 0.75f));
    dragFrom(10 + 5);
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);
    dragFrom(10 + 153 - 37);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.25f);
}

// The slider that the idle time removes from its frame (an editor closed by the host while the
// user drags) lives on until the drag is over.
class CountedSlider : public CSlider {
public:
    using CSlider::CSlider;
    ~CountedSlider() override { ++destroyed; }
    static int destroyed;
};
int CountedSlider::destroyed = 0;

TEST_F(SliderDrag, RemovedDuringTheDragTheSliderOutlivesTheLoop) {
    // The frame holds the only reference, as in the editor.
    frame.add<CountedSlider>(kSliderArea, &observer, 0, kMinimumPosition, kMaximumPosition, knob.get(),
                             track.get(), CPos{});
    CountedSlider::destroyed = 0;
    // Once removed it has no frame to pump, so the same step lets the button go.
    int destroyedWhenRemoved = -1;
    frame.script = {[&] {
        frame.removeAllChildren(true);
        destroyedWhenRemoved = CountedSlider::destroyed;
        frame.input.pressLeft(false);
    }};
    dragFrom(10 + 79);
    EXPECT_EQ(destroyedWhenRemoved, 0);
    EXPECT_EQ(CountedSlider::destroyed, 1);
    EXPECT_EQ(knob->getRefCount(), 1);
}

TEST_F(SliderDrag, DragDrivenFromAnotherThread) {
    addSlider(kStyleHorizontal | kStyleLeft, 1);
    frame.releaseWhenDone = false;
    // The second thread moves the pointer once the slider polls, and lets the button go once the
    // slider has reported the value under the pointer; it lets the button go in any case, and
    // a step that does not come within its deadline fails the test.
    constexpr float kUnderPointer = 115.0f / 148.0f;
    std::atomic<bool> pollSeen{false};
    std::atomic<bool> valueSeen{false};
    std::thread user([&] {
        pollSeen = waitUntil([this] { return frame.pumps.load() > 0; }, 5000);
        SetCursorPos(kWindowX + 10 + 120, kWindowY + 28);
        valueSeen =
            pollSeen &&
            waitUntil([this] { return std::fabs(observer.lastValue.load() - kUnderPointer) < 1e-6f; }, 5000);
        SyntheticInput release;
        release.pressLeft(false);
    });
    dragFrom(10 + 40);
    user.join();
    EXPECT_TRUE(pollSeen) << "the slider never polled";
    EXPECT_TRUE(valueSeen) << "the slider never reported the value under the moved pointer";
    EXPECT_FLOAT_EQ(slider->getValue(), kUnderPointer);
    EXPECT_FLOAT_EQ(observer.values.front(), 35.0f / 148.0f);
    EXPECT_EQ(frame.events[1], "begin 1");
    EXPECT_EQ(frame.events.back(), "end 1");
}

// --- Wheel and keys -------------------------------------------------------------------------

TEST_F(SliderSteps, WheelStepsByTheWheelStepAndATenthWithShift) {
    addSlider(kStyleHorizontal | kStyleLeft, 2);
    slider->setValue(0.5f);
    slider->setNeedsRepaint(false);
    CPaintContext context(&frame, nullptr, window.handle());
    EXPECT_TRUE(slider->handleWheel(&context, CPos{}, 1.0f));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.6f);
    const std::vector<std::string> bracket{"focus", "begin 2", "changed", "end 2"};
    EXPECT_EQ(frame.events, bracket);
    EXPECT_EQ(observer.contexts.back(), &context);

    slider->setValue(0.5f);
    frame.input.pressKey(VK_SHIFT, true);
    EXPECT_TRUE(slider->handleWheel(&context, CPos{}, -2.0f));
    frame.input.pressKey(VK_SHIFT, false);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.48f);

    // At the end of the range nothing changes and nothing is reported.
    slider->setValue(1.0f);
    slider->setNeedsRepaint(false);
    frame.events.clear();
    EXPECT_TRUE(slider->handleWheel(&context, CPos{}, 3.0f));
    EXPECT_EQ(slider->getValue(), 1.0f);
    EXPECT_TRUE(frame.events.empty());

    slider->setAcceptsMouse(false);
    EXPECT_FALSE(slider->handleWheel(&context, CPos{}, -1.0f));
    EXPECT_EQ(slider->getValue(), 1.0f);
}

TEST_F(SliderSteps, ArrowKeysStepTheValueAndOtherKeysAreNotHandled) {
    addSlider(kStyleHorizontal | kStyleLeft, 1);
    slider->setWheelStep(0.25f);
    const struct {
        uint8_t virt;
        uint8_t modifier;
        float change;
    } keys[] = {{11, 0, -0.25f}, {14, 0, -0.25f}, {12, 0, 0.25f}, {13, 0, 0.25f}, {13, 1, 0.025f}};
    for (const auto& k : keys) {
        slider->setValue(0.5f);
        slider->setNeedsRepaint(false);
        frame.events.clear();
        EXPECT_EQ(slider->handleKeyDown(CKeyCode{0, k.virt, k.modifier}), 1);
        EXPECT_FLOAT_EQ(slider->getValue(), 0.5f + k.change) << int(k.virt);
        const std::vector<std::string> bracket{"focus", "begin 1", "changed", "end 1"};
        EXPECT_EQ(frame.events, bracket);
        EXPECT_EQ(observer.contexts.back(), nullptr);
    }
    slider->setValue(0.5f);
    for (uint8_t virt : {uint8_t(0), uint8_t(2), uint8_t(10), uint8_t(15)})
        EXPECT_EQ(slider->handleKeyDown(CKeyCode{'a', virt, 1}), -1) << int(virt);
    EXPECT_EQ(slider->getValue(), 0.5f);

    // Clamped at the range's end.
    slider->setValue(0.1f);
    slider->handleKeyDown(CKeyCode{0, 11, 0});
    EXPECT_EQ(slider->getValue(), 0.0f);
}

} // namespace
} // namespace tovrel::test
