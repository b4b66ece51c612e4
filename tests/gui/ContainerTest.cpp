// Containers: ownership, routing of input and drags, painting through the back buffer, repaint
// aggregation, refresh, the focus walk, and GDI objects over many paints.
#include "GuiTestSupport.h"

#include "gui/COffscreenPaint.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"
#include "gui/platform/win32/PlatformEntries.h"

#include <gtest/gtest.h>

namespace tovrel::test {
namespace {

const COLORREF kRed = RGB(200, 40, 40);
const COLORREF kGreen = RGB(40, 200, 40);
const COLORREF kBlue = RGB(40, 40, 200);

TEST(ContainerState, NewContainerDefaults) {
    CViewContainer container(CRectangle{0, 0, 50, 40});
    EXPECT_TRUE(container.needsRepaint());
    EXPECT_EQ(container.getRefreshMode(), kRefreshChanged);
    EXPECT_TRUE(container.paintsOffscreen());
    EXPECT_EQ(container.getOffscreen(), nullptr);
    CRgba colour;
    EXPECT_EQ(container.getBackgroundColour(colour), kRgbaBlack);
    EXPECT_EQ(container.getBackdropOffset(), (CPos{0, 0}));
    EXPECT_EQ(container.childCount(), 0);
    EXPECT_EQ(container.receiveMessage(nullptr, kMsgCheckIfViewContainer), 1);
    // Compared by address: the same text elsewhere is another message.
    const char copy[] = "kMsgCheckIfViewContainer";
    EXPECT_EQ(container.receiveMessage(nullptr, copy), 0);
}

TEST(ContainerChildren, RemovingAChildKeepsTheOthersLinkedInOrder) {
    std::vector<std::string> log;
    TestFrame frame(CRectangle{0, 0, 100, 100});
    auto* a = frame.add<RecordingView>("a", CRectangle{0, 0, 10, 10}, &log);
    auto* b = frame.add<RecordingView>("b", CRectangle{0, 0, 10, 10}, &log);
    auto* c = frame.add<RecordingView>("c", CRectangle{0, 0, 10, 10}, &log);

    frame.removeChild(b, true); // from the middle
    EXPECT_EQ(frame.childCount(), 2);
    EXPECT_EQ(frame.childAt(0), a);
    EXPECT_EQ(frame.childAt(1), c);
    EXPECT_EQ(frame.viewAt(CPos{5, 5}, false), c); // the search from the front still starts at c

    frame.removeChild(c, true); // the front-most
    EXPECT_EQ(frame.viewAt(CPos{5, 5}, false), a);
    auto* d = frame.add<RecordingView>("d", CRectangle{0, 0, 10, 10}, &log); // after a, the new last child
    EXPECT_EQ(frame.childAt(1), d);
    EXPECT_EQ(frame.viewAt(CPos{5, 5}, false), d);

    frame.removeChild(a, true); // the first
    EXPECT_EQ(frame.childAt(0), d);
    EXPECT_EQ(frame.childCount(), 1);
    EXPECT_EQ(frame.viewAt(CPos{5, 5}, false), d);
}

TEST(ContainerChildren, EachWayOfAddingShowsWhoHoldsTheChild) {
    std::vector<std::string> log;
    const int before = RecordingView::destroyed;
    {
        TestFrame frame(CRectangle{0, 0, 100, 100});
        const Ref<RecordingView> shared = makeRef<RecordingView>("shared", CRectangle{0, 0, 10, 10}, &log);
        Ref<RecordingView> given = makeRef<RecordingView>("given", CRectangle{0, 0, 10, 10}, &log);
        RecordingView* const givenView = given.get();
        EXPECT_EQ(frame.addChild(Ref<CView>()), nullptr);
        EXPECT_EQ(frame.addChild(shared), shared.get());
        EXPECT_EQ(frame.addChild(std::move(given)), givenView);
        auto* made = frame.add<RecordingView>("made", CRectangle{0, 0, 10, 10}, &log);
        // Each holder counts once: the test's and the frame's for the shared child, the frame's
        // alone for the others.
        const struct {
            CView* view;
            int32_t count;
        } held[] = {{shared.get(), 2}, {givenView, 1}, {made, 1}};
        for (int32_t index = 0; index < 3; ++index) {
            EXPECT_EQ(frame.childAt(index), held[index].view);
            EXPECT_EQ(held[index].view->getRefCount(), held[index].count) << index;
            EXPECT_EQ(held[index].view->getParentView(), &frame);
            EXPECT_EQ(held[index].view->getOwnerFrame(), static_cast<CFrameServices*>(&frame));
            EXPECT_TRUE(held[index].view->needsRepaint());
        }
        EXPECT_EQ(frame.childCount(), 3);
        EXPECT_EQ(frame.childAt(3), nullptr);
        EXPECT_EQ(frame.childAt(-1), nullptr);

        // Taken out, the frame's reference passes to the caller; released, it goes.
        Ref<CView> taken = frame.takeChild(givenView);
        EXPECT_EQ(taken.get(), givenView);
        EXPECT_EQ(givenView->getRefCount(), 1);
        EXPECT_EQ(givenView->getParentView(), nullptr);
        EXPECT_FALSE(frame.takeChild(givenView)); // not a child any more
        frame.removeChild(shared.get(), true);
        EXPECT_EQ(shared->getRefCount(), 1);
        EXPECT_EQ(frame.childAt(0), made);
        EXPECT_EQ(RecordingView::destroyed, before);
        taken.reset();
        EXPECT_EQ(RecordingView::destroyed, before + 1);
    }
    // The frame's going takes the child only it held; the test's holder the shared one.
    EXPECT_EQ(RecordingView::destroyed, before + 3);
    const std::vector<std::string> expected{"shared.attached 0,0", "given.attached 0,0", "made.attached 0,0",
                                            "given.removed 0,0",   "shared.removed 0,0", "made.removed 0,0"};
    EXPECT_EQ(log, expected);
}

TEST(ContainerChildren, DestructionReleasesEveryChild) {
    const int before = RecordingView::destroyed;
    {
        const Ref<TestFrame> frame = makeRef<TestFrame>(CRectangle{0, 0, 100, 100});
        frame->add<RecordingView>("a", CRectangle{}, nullptr);
        auto* inner = frame->add<CViewContainer>(CRectangle{0, 0, 50, 50});
        inner->add<RecordingView>("b", CRectangle{}, nullptr);
        inner->add<RecordingView>("c", CRectangle{}, nullptr);
    }
    EXPECT_EQ(RecordingView::destroyed, before + 3);
}

TEST(ContainerChildren, RemovingTheFocusViewClearsTheFocus) {
    TestFrame frame(CRectangle{0, 0, 100, 100});
    auto* a = frame.add<RecordingView>("a", CRectangle{}, nullptr);
    auto* b = frame.add<RecordingView>("b", CRectangle{}, nullptr);
    frame.setKeyFocus(a);
    frame.removeChild(b, true);
    EXPECT_EQ(frame.focus, a);
    frame.removeChild(a, true);
    EXPECT_EQ(frame.focus, nullptr);
}

TEST(ContainerChildren, AddWithAreaSetsMouseAreaAndAcceptance) {
    TestFrame frame(CRectangle{0, 0, 100, 100});
    CView* view =
        frame.addChildWithArea(makeRef<CView>(CRectangle{10, 10, 20, 20}), CRectangle{0, 0, 50, 50}, false);
    frame.addChildWithArea(Ref<CView>(), CRectangle{}, true);
    CRectangle area;
    EXPECT_EQ(view->getMouseArea(area), (CRectangle{0, 0, 50, 50}));
    EXPECT_FALSE(view->acceptsMouse());
    EXPECT_EQ(frame.childCount(), 1);
}

class ContainerRouting : public ::testing::Test {
protected:
    ContainerRouting() {
        // back (added first) and front (added last) overlap in (20..30, 20..30).
        back = frame.add<RecordingView>("back", CRectangle{10, 10, 30, 30}, &log);
        front = frame.add<RecordingView>("front", CRectangle{20, 20, 40, 40}, &log);
        log.clear();
    }
    std::vector<std::string> log;
    TestFrame frame{CRectangle{0, 0, 200, 200}};
    RecordingView* back;
    RecordingView* front;
};

TEST_F(ContainerRouting, FrontMostChildWinsAndEdgesHit) {
    frame.handleMouse(nullptr, CPos{25, 25}, 1);
    frame.handleMouse(nullptr, CPos{30, 30}, 1);
    frame.handleMouse(nullptr, CPos{40, 40}, 4); // the front child's right-bottom corner
    frame.handleMouse(nullptr, CPos{41, 40}, 1); // one past: nobody
    frame.handleMouse(nullptr, CPos{12, 12}, 1);
    const std::vector<std::string> expected{"front.mouse1 25,25", "front.mouse1 30,30", "front.mouse4 40,40",
                                            "back.mouse1 12,12"};
    EXPECT_EQ(log, expected);

    EXPECT_EQ(frame.viewAt(CPos{25, 25}, false), front);
    EXPECT_EQ(frame.viewAt(CPos{10, 10}, false), back);
    EXPECT_EQ(frame.viewAt(CPos{50, 50}, false), nullptr);
    frame.pointer = CPos{30, 30};
    EXPECT_EQ(frame.viewUnderPointer(), front);
    frame.pointer = CPos{11, 29};
    EXPECT_EQ(frame.viewUnderPointer(), back);
    frame.pointer = CPos{0, 0};
    EXPECT_EQ(frame.viewUnderPointer(), nullptr);

    // A child that does not take the mouse is passed over; the one below gets the click. Finding
    // views by position does not ask.
    log.clear();
    front->setAcceptsMouse(false);
    frame.handleMouse(nullptr, CPos{25, 25}, 1);
    EXPECT_EQ(log, std::vector<std::string>{"back.mouse1 25,25"});
    EXPECT_EQ(frame.viewAt(CPos{25, 25}, false), front);
}

TEST_F(ContainerRouting, NestedContainerConvertsPoints) {
    auto* inner = frame.add<CViewContainer>(CRectangle{10, 20, 110, 120});
    auto* child = inner->add<RecordingView>("child", CRectangle{0, 0, 50, 50}, &log);
    log.clear();
    frame.handleMouse(nullptr, CPos{15, 25}, 1);
    EXPECT_EQ(log, std::vector<std::string>{"child.mouse1 5,5"});

    EXPECT_EQ(frame.viewAt(CPos{15, 25}, false), inner);
    EXPECT_EQ(frame.viewAt(CPos{15, 25}, true), child);
    EXPECT_EQ(frame.viewAt(CPos{100, 100}, true), nullptr); // inside inner, over no child
    frame.pointer = CPos{15, 25};
    EXPECT_EQ(inner->viewUnderPointer(), child);

    // The wheel reaches the target with the point and the context moved to the container.
    log.clear();
    DibCanvas canvas(4, 4);
    CPaintContext context(&frame, canvas.device(), nullptr);
    context.getOffset() = CPos{1, 1};
    EXPECT_TRUE(frame.handleWheel(&context, CPos{15, 25}, 1.0f));
    EXPECT_EQ(log, std::vector<std::string>{"child.wheel1 5,5"});
    EXPECT_EQ(child->lastContextOffset, (CPos{11, 21}));
    EXPECT_EQ(context.getOffset(), (CPos{1, 1}));
    EXPECT_FALSE(frame.handleWheel(&context, CPos{150, 150}, 1.0f));
}

TEST_F(ContainerRouting, ContainerWithoutFrameFindsNothing) {
    CViewContainer loose(CRectangle{0, 0, 100, 100});
    loose.add<RecordingView>("v", CRectangle{0, 0, 50, 50}, &log);
    log.clear();
    EXPECT_EQ(loose.viewAt(CPos{5, 5}, false), nullptr);
    EXPECT_EQ(loose.viewUnderPointer(), nullptr);
    loose.handleDragEnter(nullptr, nullptr, CPos{5, 5});
    EXPECT_FALSE(loose.handleDrop(nullptr, nullptr, CPos{5, 5}));
    EXPECT_TRUE(log.empty());
    loose.handleMouse(nullptr, CPos{5, 5}, 1); // clicks do not need a frame
    EXPECT_EQ(log, std::vector<std::string>{"v.mouse1 5,5"});
}

TEST_F(ContainerRouting, KeysGoFrontToBackUntilOneIsHandled) {
    back->keyAnswer = 1;
    CKeyCode key{};
    EXPECT_EQ(frame.handleKeyDown(key), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"front.keyDown 0,0", "back.keyDown 0,0"}));
    log.clear();
    front->keyAnswer = 0;
    EXPECT_EQ(frame.handleKeyUp(key), 0);
    EXPECT_EQ(log, std::vector<std::string>{"front.keyUp 0,0"});
    back->keyAnswer = -1;
    front->keyAnswer = -1;
    EXPECT_EQ(frame.handleKeyDown(key), -1);
}

TEST_F(ContainerRouting, DragEnterMoveLeaveAndDropOrder) {
    DibCanvas canvas(4, 4);
    CPaintContext context(&frame, canvas.device(), nullptr);
    frame.handleDragEnter(&context, nullptr, CPos{12, 12});
    frame.handleDragMove(&context, nullptr, CPos{13, 13});
    frame.handleDragMove(&context, nullptr, CPos{35, 35}); // from back to front
    frame.handleDragMove(&context, nullptr, CPos{36, 36});
    EXPECT_TRUE(frame.handleDrop(&context, nullptr, CPos{37, 37}));
    const std::vector<std::string> expected{"back.enter 12,12",  "back.move 13,13",  "back.leave 35,35",
                                            "front.enter 35,35", "front.move 36,36", "front.drop 37,37",
                                            "front.leave 37,37"};
    EXPECT_EQ(log, expected);

    // Leaving over empty space, and a drop where no view is.
    log.clear();
    frame.handleDragEnter(&context, nullptr, CPos{12, 12});
    frame.handleDragMove(&context, nullptr, CPos{150, 150});
    frame.handleDragLeave(&context, nullptr, CPos{150, 150});
    EXPECT_FALSE(frame.handleDrop(&context, nullptr, CPos{150, 150}));
    EXPECT_EQ(log, (std::vector<std::string>{"back.enter 12,12", "back.leave 150,150"}));

    // A drop straight onto a view not yet entered: the drop, then the leave.
    log.clear();
    EXPECT_TRUE(frame.handleDrop(&context, nullptr, CPos{12, 12}));
    EXPECT_EQ(log, (std::vector<std::string>{"back.drop 12,12", "back.leave 12,12"}));
}

TEST_F(ContainerRouting, RemovingTheDragTargetForgetsIt) {
    frame.handleDragEnter(nullptr, nullptr, CPos{35, 35});
    frame.removeChild(front, true);
    log.clear();
    frame.handleDragLeave(nullptr, nullptr, CPos{35, 35});
    EXPECT_TRUE(log.empty());
}

TEST(ContainerFocus, WalkForwardBackwardAndIntoNestedContainers) {
    TestFrame frame(CRectangle{0, 0, 100, 100});
    auto* a = frame.add<CView>(CRectangle{});
    frame.add<CView>(CRectangle{}); // takes no focus
    auto* inner = frame.add<CViewContainer>(CRectangle{});
    auto* b = inner->add<CView>(CRectangle{});
    auto* c = frame.add<CView>(CRectangle{});
    a->setAcceptsFocus(true);
    b->setAcceptsFocus(true);
    c->setAcceptsFocus(true);

    EXPECT_TRUE(frame.moveFocus(nullptr, false));
    EXPECT_EQ(frame.focus, a);
    EXPECT_TRUE(frame.moveFocus(a, false)); // skips the plain view, descends into inner
    EXPECT_EQ(frame.focus, b);
    EXPECT_TRUE(frame.moveFocus(inner, false));
    EXPECT_EQ(frame.focus, c);
    EXPECT_FALSE(frame.moveFocus(c, false));
    EXPECT_TRUE(frame.moveFocus(nullptr, true));
    EXPECT_EQ(frame.focus, c);
    EXPECT_TRUE(frame.moveFocus(c, true));
    EXPECT_EQ(frame.focus, b);
    EXPECT_TRUE(inner->moveFocus(nullptr, true));
    EXPECT_FALSE(inner->moveFocus(b, true));
    EXPECT_FALSE(frame.moveFocus(a, true));
}

TEST(ContainerFocus, FocusChangesReachEveryChild) {
    std::vector<std::string> log;
    CViewContainer container(CRectangle{0, 0, 10, 10});
    container.add<RecordingView>("a", CRectangle{}, &log);
    container.add<RecordingView>("b", CRectangle{}, &log);
    log.clear();
    container.focusLost(nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"a.focusLost 0,0", "b.focusLost 0,0"}));
}

TEST(ContainerRepaint, ChildrenOutsideDoNotCount) {
    CViewContainer container(CRectangle{100, 100, 150, 140});
    auto* outside = container.add<CView>(CRectangle{50, 0, 60, 10});  // beyond the width of 50
    auto* touching = container.add<CView>(CRectangle{0, 40, 10, 50}); // shares only the bottom edge
    container.setNeedsRepaint(false);
    ASSERT_TRUE(outside->needsRepaint());
    ASSERT_TRUE(touching->needsRepaint());
    EXPECT_FALSE(container.needsRepaint());

    auto* corner = container.add<CView>(CRectangle{49, 39, 60, 60}); // one pixel inside both ways
    container.setNeedsRepaint(false);
    EXPECT_TRUE(container.needsRepaint());
    corner->setNeedsRepaint(false);
    EXPECT_FALSE(container.needsRepaint());
}

// A frame over a real window with three coloured children, painted into a DIB canvas.
class ContainerPainting : public ::testing::Test {
protected:
    ContainerPainting() {
        useTestModuleResources();
        left = frame.add<RecordingView>("left", CRectangle{10, 10, 40, 30}, &log, kRed);
        right = frame.add<RecordingView>("right", CRectangle{50, 10, 80, 30}, &log, kGreen);
        frame.setBackgroundColour(CRgba{0, 0, 90, 255});
    }
    CPaintContext* context() {
        if (!paintContext)
            paintContext = std::make_unique<CPaintContext>(&frame, canvas.device(), nullptr);
        return paintContext.get();
    }

    TestWindow window{100, 60};
    std::vector<std::string> log;
    TestFrame frame{CRectangle{0, 0, 100, 60}, window.handle()};
    DibCanvas canvas{100, 60};
    std::unique_ptr<CPaintContext> paintContext;
    RecordingView* left;
    RecordingView* right;
};

TEST_F(ContainerPainting, PaintDrawsBackgroundThenChildrenInOneCopy) {
    canvas.fillPattern();
    frame.paint(context());
    EXPECT_FALSE(frame.needsRepaint());
    EXPECT_FALSE(left->needsRepaint());
    EXPECT_NE(frame.getOffscreen(), nullptr);
    EXPECT_EQ(canvas.countColour(kRed, RECT{10, 10, 40, 30}), 600);
    EXPECT_EQ(canvas.countColour(kGreen, RECT{50, 10, 80, 30}), 600);
    // The background fill leaves the top row and left column: there the fresh buffer is black.
    EXPECT_EQ(canvas.pixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(canvas.pixel(45, 45), RGB(0, 0, 90));
    EXPECT_EQ(canvas.countColour(RGB(0, 0, 90), RECT{1, 1, 100, 60}), 99 * 59 - 1200);
}

TEST_F(ContainerPainting, DirectPaintingShiftsTheCallersContextAndGivesItBack) {
    auto* inner = frame.add<CViewContainer>(CRectangle{20, 35, 60, 55});
    auto* child = inner->add<RecordingView>("child", CRectangle{2, 3, 12, 13}, &log, kBlue);
    inner->setPaintOffscreen(false);
    EXPECT_EQ(inner->getOffscreen(), nullptr);
    canvas.fillPattern();
    frame.paint(context());
    EXPECT_EQ(canvas.countColour(kBlue, RECT{22, 38, 32, 48}), 100);
    EXPECT_EQ(canvas.countColour(kBlue, RECT{0, 0, 100, 60}), 100);
    EXPECT_EQ(child->lastContextOffset, (CPos{20, 35}));
    EXPECT_EQ(context()->getOffset(), (CPos{0, 0}));
    EXPECT_EQ(context()->getWindowOrigin(), (CPos{0, 0}));
}

TEST_F(ContainerPainting, HalfPaintedChildStaysMarked) {
    frame.paint(context());
    left->setNeedsRepaint(true);
    left->paints = 0;
    canvas.fillPattern();
    frame.paintArea(context(), CRectangle{0, 0, 25, 60}); // half of the left child
    EXPECT_EQ(left->paints, 1);
    EXPECT_TRUE(left->needsRepaint());
    EXPECT_EQ(right->paints, 1); // only from the first paint: it does not overlap
    // Only the area reached the canvas.
    EXPECT_EQ(canvas.countColour(kRed, RECT{0, 0, 100, 60}), 15 * 20);
    EXPECT_EQ(canvas.pixel(30, 20), canvas.patternColour(30, 20));
    EXPECT_EQ(canvas.pixel(60, 20), canvas.patternColour(60, 20));

    frame.paintArea(context(), CRectangle{10, 10, 40, 30});
    EXPECT_FALSE(left->needsRepaint());
    EXPECT_EQ(canvas.countColour(kRed, RECT{0, 0, 100, 60}), 600);
}

TEST_F(ContainerPainting, RefreshRepaintsOnlyChangedChildren) {
    frame.paint(context());
    left->paints = 0;
    right->paints = 0;
    canvas.fillPattern();

    // Nothing to do in either mode.
    frame.refresh(context());
    frame.setRefreshMode(kRefreshWhole);
    frame.refresh(context());
    EXPECT_EQ(left->paints + right->paints, 0);
    EXPECT_EQ(canvas.pixel(20, 20), canvas.patternColour(20, 20));

    frame.setRefreshMode(kRefreshChanged);
    right->setNeedsRepaint(true);
    frame.refresh(context());
    EXPECT_EQ(left->paints, 0);
    EXPECT_EQ(right->paints, 1);
    EXPECT_FALSE(frame.needsRepaint());
    EXPECT_EQ(canvas.countColour(kGreen, RECT{0, 0, 100, 60}), 600);
    EXPECT_EQ(canvas.pixel(20, 20), canvas.patternColour(20, 20));

    // The whole mode repaints everything once something changed.
    frame.setRefreshMode(kRefreshWhole);
    left->setNeedsRepaint(true);
    frame.refresh(context());
    EXPECT_EQ(left->paints, 1);
    EXPECT_EQ(right->paints, 2);
    EXPECT_EQ(canvas.countColour(kRed, RECT{0, 0, 100, 60}), 600);

    // An unknown mode does nothing.
    frame.setRefreshMode(7);
    left->setNeedsRepaint(true);
    frame.refresh(context());
    EXPECT_EQ(left->paints, 1);
    EXPECT_TRUE(frame.needsRepaint());
}

TEST_F(ContainerPainting, NestedContainerRefreshesItsOwnChildren) {
    auto* inner = frame.add<CViewContainer>(CRectangle{20, 35, 60, 55});
    auto* child = inner->add<RecordingView>("child", CRectangle{2, 3, 12, 13}, &log, kBlue);
    frame.paint(context());
    EXPECT_EQ(canvas.countColour(kBlue, RECT{22, 38, 32, 48}), 100);

    canvas.fillPattern();
    child->paints = 0;
    child->setNeedsRepaint(true);
    EXPECT_TRUE(frame.needsRepaint());
    frame.refresh(context());
    EXPECT_EQ(child->paints, 1);
    EXPECT_EQ(canvas.countColour(kBlue, RECT{0, 0, 100, 60}), 100);
    EXPECT_EQ(canvas.countColour(kBlue, RECT{22, 38, 32, 48}), 100);
    EXPECT_FALSE(frame.needsRepaint());
}

TEST_F(ContainerPainting, TransparentContainerBackgrounds) {
    auto* inner = frame.add<CViewContainer>(CRectangle{30, 30, 50, 50});
    inner->setBackgroundColour(CRgba{250, 250, 0, 255});
    inner->setPaintOffscreen(false);
    inner->setTransparent(true);
    frame.paint(context());
    EXPECT_EQ(canvas.countColour(RGB(250, 250, 0), RECT{0, 0, 100, 60}), 0);
    EXPECT_EQ(canvas.pixel(40, 40), RGB(0, 0, 90)); // the frame's background shows through

    // With a backdrop it draws the pixmap with white left out.
    inner->setBackdrop(makeRef<CPixmap>(kKeyedBitmap).get());
    frame.paint(context());
    const PixelRule keyedOverBackground = keyedOver([](int, int) { return RGB(0, 0, 90); }, POINT{30, 30});
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(canvas.pixel(30 + x, 30 + y), keyedOverBackground(x, y)) << x << "," << y;

    // Opaque again: the plain copy, white included.
    inner->setTransparent(false);
    frame.paint(context());
    EXPECT_EQ(canvas.pixel(30, 30), keyedColour(0, 0));
}

TEST_F(ContainerPainting, BackdropOffsetPicksTheRegionOfTheFramesBackground) {
    frame.setBackdrop(makeRef<CPixmap>(kRampBitmap).get());
    frame.setBackdropOffset(CPos{4, 3});
    frame.removeChild(left, true);
    frame.removeChild(right, true);
    frame.paint(context());
    EXPECT_EQ(canvas.pixel(0, 0), rampColour(4, 3));
    EXPECT_EQ(canvas.pixel(15, 12), rampColour(19, 15));
    canvas.fillPattern();
    frame.paintArea(context(), CRectangle{5, 5, 8, 8});
    EXPECT_EQ(canvas.pixel(6, 6), rampColour(10, 9));
    EXPECT_EQ(canvas.pixel(9, 9), canvas.patternColour(9, 9));
}

TEST_F(ContainerPainting, BackBufferFollowsAttachmentSizeAndMode) {
    const Ref<CViewContainer> inner = makeRef<CViewContainer>(CRectangle{0, 0, 30, 20});
    EXPECT_EQ(inner->getOffscreen(), nullptr);
    frame.addChild(inner);
    ASSERT_NE(inner->getOffscreen(), nullptr); // made on attachment
    EXPECT_EQ(inner->getOffscreen()->getClipArea(), (CRectangle{0, 0, 30, 20}));
    inner->setBounds(CRectangle{0, 0, 40, 25});
    ASSERT_NE(inner->getOffscreen(), nullptr);
    EXPECT_EQ(inner->getOffscreen()->getClipArea(), (CRectangle{0, 0, 40, 25}));
    frame.removeChild(inner.get(), true);
    EXPECT_EQ(inner->getOffscreen(), nullptr);
    inner->setPaintOffscreen(false);
    frame.addChild(inner);
    EXPECT_EQ(inner->getOffscreen(), nullptr);
}

TEST_F(ContainerPainting, ThousandPaintsLeaveTheGdiObjectCountUnchanged) {
    const Ref<CPixmap> keyed = makeRef<CPixmap>(kKeyedBitmap);
    auto* inner = frame.add<CViewContainer>(CRectangle{20, 35, 60, 55});
    auto* backdropView = frame.add<CView>(CRectangle{60, 35, 72, 49});
    backdropView->setBackdrop(keyed.get());
    backdropView->setTransparent(true);
    inner->setBackdrop(keyed.get());
    inner->add<RecordingView>("child", CRectangle{2, 3, 12, 13}, &log, kBlue);
    transparentBltEntry = nullptr; // the mask method makes the most objects

    frame.paint(context()); // every back buffer exists from here on
    const int objects = processGdiObjectCount();
    ASSERT_GT(objects, 0);
    for (int i = 0; i < 1000; ++i) {
        // Every other paint goes to the window, through a device context the paint context borrows.
        CPaintContext perPaint(&frame, i % 2 ? nullptr : canvas.device(), i % 2 ? window.handle() : nullptr);
        frame.setNeedsRepaint(true);
        frame.paint(&perPaint);
        left->setNeedsRepaint(true);
        frame.refresh(&perPaint);
        frame.paintArea(&perPaint, CRectangle{i % 50, 0, 50 + i % 50, 60});
    }
    EXPECT_EQ(processGdiObjectCount(), objects);
    EXPECT_EQ(canvas.countColour(kBlue, RECT{22, 38, 32, 48}), 100);
    canvas.fillPattern();
    canvas.grabWindow(window.handle());
    EXPECT_EQ(canvas.countColour(kBlue, RECT{0, 0, 100, 60}), 100);
    EXPECT_EQ(canvas.countColour(kRed, RECT{10, 10, 40, 30}), 600);
}

} // namespace
} // namespace tovrel::test
