// The control base: initial state, the repaint rule, bounds, and the reset gesture.
#include "GuiTestSupport.h"

#include "gui/CControlObserver.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tovrel::test {
namespace {

class RecordingObserver final : public CControlObserver {
public:
    explicit RecordingObserver(std::vector<std::string>* eventLog) : log(eventLog) {}
    void controlChanged(CPaintContext* context, CControl* control) override {
        lastContext = context;
        log->push_back("changed " + std::to_string(control->getTag()) + " " +
                       std::to_string(control->getValue()));
    }
    int32_t modifierClick(CPaintContext* /*context*/, CControl* /*control*/, int32_t /*buttons*/) override {
        return 0;
    }
    CPaintContext* lastContext{nullptr};

private:
    std::vector<std::string>* log;
};

TEST(ControlState, NewControlDefaults) {
    useTestModuleResources();
    const Ref<CPixmap> pixmap = makeRef<CPixmap>(kKeyedBitmap);
    Ref<TestControl> control = makeRef<TestControl>(CRectangle{4, 5, 40, 20}, nullptr, 7, pixmap.get());
    EXPECT_EQ(pixmap->getRefCount(), 2);
    EXPECT_EQ(control->getBackdrop(), pixmap.get());
    EXPECT_EQ(control->getValue(), 0.0f);
    EXPECT_EQ(control->getMinimum(), 0.0f);
    EXPECT_EQ(control->getMaximum(), 1.0f);
    EXPECT_EQ(control->getResetValue(), 0.5f);
    EXPECT_EQ(control->getWheelStep(), 0.1f);
    EXPECT_EQ(control->getPaintedValue(), -1.0f);
    EXPECT_EQ(control->getTag(), 7);
    EXPECT_EQ(control->getBackdropOffset(), (CPos{0, 0}));
    EXPECT_TRUE(control->needsRepaint());
    EXPECT_TRUE(control->acceptsMouse());
    EXPECT_FALSE(control->isTransparent());
    control->alignBackdropOffset();
    EXPECT_EQ(control->getBackdropOffset(), (CPos{4, 5}));
    control.reset();
    EXPECT_EQ(pixmap->getRefCount(), 1);
}

TEST(ControlRepaint, PaintedValueDecidesWhetherToRepaint) {
    TestControl control(CRectangle{0, 0, 10, 10});
    control.setValue(0.25f);
    control.setNeedsRepaint(false);
    EXPECT_FALSE(control.needsRepaint());
    EXPECT_EQ(control.getPaintedValue(), 0.25f);
    control.setValue(0.25f);
    EXPECT_FALSE(control.needsRepaint());
    control.setValue(0.3f);
    EXPECT_TRUE(control.needsRepaint());

    // Painting records the painted value.
    DibCanvas canvas(10, 10);
    CPaintContext context(nullptr, canvas.device(), nullptr);
    control.paint(&context);
    EXPECT_FALSE(control.needsRepaint());
    EXPECT_EQ(control.getPaintedValue(), 0.3f);

    // Forcing a repaint picks a painted value that cannot equal the value, even for -1.0.
    control.setNeedsRepaint(true);
    EXPECT_EQ(control.getPaintedValue(), -1.0f);
    control.setValue(-1.0f);
    control.setNeedsRepaint(true);
    EXPECT_EQ(control.getPaintedValue(), 0.0f);
    control.setPaintedValue(0.0f);
    EXPECT_TRUE(control.needsRepaint()); // the value comparison alone asks for it
}

TEST(ControlRepaint, NaNComparesAsEqual) {
    TestControl control(CRectangle{0, 0, 10, 10});
    control.setValue(0.5f);
    control.setNeedsRepaint(false);
    control.setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FALSE(control.needsRepaint());
}

TEST(ControlBounds, ClampValue) {
    TestControl control(CRectangle{});
    const struct {
        float in;
        float out;
    } cases[] = {{1.5f, 1.0f}, {-0.2f, 0.0f}, {0.3f, 0.3f}, {1.0f, 1.0f}, {0.0f, 0.0f}};
    for (const auto& c : cases) {
        control.setValue(c.in);
        control.clampValue();
        EXPECT_EQ(control.getValue(), c.out) << c.in;
    }
    control.setMinimum(0.2f);
    control.setValue(std::numeric_limits<float>::quiet_NaN());
    control.clampValue();
    EXPECT_EQ(control.getValue(), 0.2f);

    // Inverted bounds: the upper bound is tested first.
    control.setMinimum(0.8f);
    control.setMaximum(0.4f);
    control.setValue(0.9f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 0.4f);
    control.setValue(0.3f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 0.8f);
}

class ControlReset : public ::testing::Test {
protected:
    ControlReset() {
        control = frame.add<TestControl>(CRectangle{0, 0, 20, 10}, &observer, 2);
        frame.events.clear();
    }
    TestFrame frame{CRectangle{0, 0, 100, 100}};
    RecordingObserver observer{&frame.events};
    TestControl* control;
};

TEST_F(ControlReset, ControlClickWithLeftButtonResetsInsideAnEditBracket) {
    DibCanvas canvas(10, 10);
    CPaintContext context(&frame, canvas.device(), nullptr);
    control->setValue(0.9f);
    control->setNeedsRepaint(false);
    EXPECT_TRUE(control->tryReset(&context, kMouseLeft | kKeyControl));
    EXPECT_EQ(control->getValue(), 0.5f);
    EXPECT_EQ(frame.focus, control);
    EXPECT_EQ(observer.lastContext, &context);
    const std::vector<std::string> expected{"focus", "begin 2", "changed 2 0.500000", "end 2"};
    EXPECT_EQ(frame.events, expected);
}

TEST_F(ControlReset, AlreadyAtTheResetValueStillBracketsButReportsNothing) {
    control->setResetValue(0.25f);
    control->setValue(0.25f);
    control->setNeedsRepaint(false);
    EXPECT_TRUE(control->tryReset(nullptr, 17));
    const std::vector<std::string> expected{"focus", "begin 2", "end 2"};
    EXPECT_EQ(frame.events, expected);
}

TEST_F(ControlReset, AnyOtherButtonSetIsNoReset) {
    control->setValue(0.9f);
    for (int32_t buttons : {25, 1, 16, 49, 21, -1, 0}) {
        EXPECT_FALSE(control->tryReset(nullptr, buttons)) << buttons;
    }
    EXPECT_EQ(control->getValue(), 0.9f);
    EXPECT_TRUE(frame.events.empty());
}

TEST_F(ControlReset, WithoutObserverTheResetStillHappens) {
    auto* silent = frame.add<TestControl>(CRectangle{0, 0, 5, 5}, nullptr, 9);
    frame.events.clear();
    silent->setValue(0.1f);
    EXPECT_TRUE(silent->tryReset(nullptr, 17));
    EXPECT_EQ(silent->getValue(), 0.5f);
    const std::vector<std::string> expected{"focus", "begin 9", "end 9"};
    EXPECT_EQ(frame.events, expected);
}

TEST(ControlFrame, IdleAndEditNeedAFrame) {
    TestControl loose(CRectangle{});
    loose.runIdle();
    loose.startEdit();
    loose.finishEdit();
    EXPECT_TRUE(loose.tryReset(nullptr, 17)); // no frame to tell, but no harm either

    TestFrame frame(CRectangle{0, 0, 10, 10});
    auto* control = frame.add<TestControl>(CRectangle{}, nullptr, 4);
    control->runIdle();
    control->runIdle();
    EXPECT_EQ(frame.idlePumps, 2);
    frame.events.clear();
    control->startEdit();
    control->finishEdit();
    const std::vector<std::string> expected{"focus", "begin 4", "end 4"};
    EXPECT_EQ(frame.events, expected);
}

} // namespace
} // namespace tovrel::test
