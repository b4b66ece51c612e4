// Rectangles, the view base: hit and overlap rules, type tests, reference counting, coordinates.
#include "GuiTestSupport.h"

#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"
#include "gui/CScale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tovrel::test {
namespace {

TEST(Geometry, RectangleArithmeticAndInclusiveEdges) {
    CRectangle area{10, 20, 30, 50};
    EXPECT_EQ(area.width(), 20);
    EXPECT_EQ(area.height(), 30);
    area.offset(CPos{-5, 7});
    EXPECT_EQ(area, (CRectangle{5, 27, 25, 57}));

    const CRectangle box{0, 0, 10, 10};
    EXPECT_TRUE(box.contains(CPos{10, 10}));
    EXPECT_TRUE(box.contains(CPos{0, 0}));
    EXPECT_FALSE(box.contains(CPos{11, 5}));
    EXPECT_FALSE(box.contains(CPos{5, -1}));

    // Bounding never inverts: disjoint rectangles give an empty one at the larger corner.
    EXPECT_EQ(box.boundedBy(CRectangle{5, 5, 20, 20}), (CRectangle{5, 5, 10, 10}));
    const CRectangle apart = box.boundedBy(CRectangle{30, 40, 50, 60});
    EXPECT_EQ(apart, (CRectangle{30, 40, 30, 40}));
}

// At every scale offered, and across negative coordinates: a view pixel covers the device pixels
// from its edge, rounded half up from x * scale, to the next one's; each device pixel belongs to
// exactly one view pixel; invalidated device areas are covered whole.
TEST(Geometry, ScaleMapsEdgesHalfUpAndEveryDevicePixelBackToItsViewPixel) {
    for (const int32_t percent : CScale::kSteps) {
        const CScale scale(percent);
        for (int32_t x = -300; x <= 300; ++x) {
            const double exact = static_cast<double>(x) * percent / 100.0;
            ASSERT_EQ(scale.toDevice(x), static_cast<int32_t>(std::floor(exact + 0.5)))
                << percent << " % at " << x;
            ASSERT_GE(scale.toDevice(x + 1), scale.toDevice(x) + 1);
            for (int32_t d = scale.toDevice(x); d < scale.toDevice(x + 1); ++d)
                ASSERT_EQ(scale.toView(d), x) << percent << " % at device " << d;
        }
        const CRectangle device{-7, 13, 101, 250};
        const CRectangle covering = scale.toDevice(scale.viewAreaCovering(device));
        EXPECT_TRUE(covering.left <= device.left && covering.top <= device.top &&
                    covering.right >= device.right && covering.bottom >= device.bottom)
            << percent << " %";
    }
    // Screens by their DPI, 96 being 100 %; others to the nearest scale offered, within 100 to 300 %.
    const int32_t dpis[][2] = {{96, 100},  {120, 125}, {144, 150}, {168, 175}, {192, 200}, {216, 225},
                               {240, 250}, {288, 300}, {110, 125}, {72, 100},  {600, 300}};
    for (const auto& [dpi, percent] : dpis)
        EXPECT_EQ(CScale::fromDotsPerInch(dpi).getPercent(), percent) << dpi << " DPI";
    EXPECT_EQ(CScale(40).getPercent(), 100);
    EXPECT_EQ(CScale(1000).getPercent(), 300);
}

TEST(ViewBasics, NewViewDefaults) {
    const Ref<CView> view = makeRef<CView>(CRectangle{1, 2, 30, 40});
    CRectangle area;
    EXPECT_EQ(view->getMouseArea(area), (CRectangle{1, 2, 30, 40}));
    EXPECT_TRUE(view->acceptsMouse());
    EXPECT_FALSE(view->isTransparent());
    EXPECT_FALSE(view->acceptsFocus());
    EXPECT_FALSE(view->needsRepaint());
    EXPECT_EQ(view->getBackdrop(), nullptr);
    EXPECT_EQ(view->ownerEditor(), nullptr);
    EXPECT_EQ(view->getRefCount(), 1);
    CKeyCode key{};
    EXPECT_EQ(view->handleKeyDown(key), -1);
    EXPECT_EQ(view->handleKeyUp(key), -1);
    EXPECT_FALSE(view->handleWheelAxis(nullptr, CPos{}, 2, 1.0f));
    EXPECT_EQ(view->receiveMessage(view.get(), kMsgCheckIfViewContainer), 0);
}

TEST(ViewBasics, OverlapAndHitCountRightAndBottomEdgesAsInside) {
    CView view(CRectangle{10, 10, 20, 20});
    EXPECT_TRUE(view.overlaps(CRectangle{20, 10, 30, 20})); // left on our right edge
    EXPECT_FALSE(view.overlaps(CRectangle{21, 10, 30, 20}));
    EXPECT_TRUE(view.overlaps(CRectangle{0, 0, 10, 10})); // corner to corner
    EXPECT_FALSE(view.overlaps(CRectangle{0, 0, 9, 30}));
    EXPECT_TRUE(view.overlaps(CRectangle{12, 20, 14, 40})); // top on our bottom edge
    EXPECT_FALSE(view.overlaps(CRectangle{12, 21, 14, 40}));

    EXPECT_TRUE(view.isHit(CPos{20, 20}, 0));
    EXPECT_FALSE(view.isHit(CPos{21, 20}, 0));
    EXPECT_FALSE(view.isHit(CPos{20, 21}, 0));
    EXPECT_TRUE(view.isHit(CPos{10, 10}, -1));

    // The mouse area is separate from the bounds and does not follow them.
    view.setMouseArea(CRectangle{0, 0, 5, 5});
    EXPECT_TRUE(view.isHit(CPos{5, 5}, 0));
    EXPECT_FALSE(view.isHit(CPos{15, 15}, 0));
    view.setNeedsRepaint(false);
    view.setBounds(CRectangle{10, 10, 20, 20}); // the same rectangle still marks it
    EXPECT_TRUE(view.needsRepaint());
    CRectangle area;
    EXPECT_EQ(view.getMouseArea(area), (CRectangle{0, 0, 5, 5}));
}

TEST(ViewBasics, IsKindOfFollowsTheClassTreeExactly) {
    CView view(CRectangle{});
    TestControl control(CRectangle{});
    CViewContainer container(CRectangle{});
    EXPECT_TRUE(view.isKindOf("CView"));
    EXPECT_FALSE(view.isKindOf("CControl"));
    EXPECT_FALSE(view.isKindOf("cview"));
    EXPECT_FALSE(view.isKindOf("CView "));
    EXPECT_FALSE(view.isKindOf(nullptr));

    EXPECT_TRUE(control.isKindOf("CControl"));
    EXPECT_TRUE(control.isKindOf("CView"));
    EXPECT_FALSE(control.isKindOf("CViewContainer"));
    EXPECT_FALSE(control.isKindOf("CSlider"));
    EXPECT_FALSE(control.isKindOf("cview"));

    EXPECT_TRUE(container.isKindOf("CViewContainer"));
    EXPECT_TRUE(container.isKindOf("CView"));
    EXPECT_FALSE(container.isKindOf("CControl"));
    EXPECT_FALSE(container.isKindOf("CFrame"));
    EXPECT_FALSE(container.isKindOf("CScrollContainer"));
    EXPECT_FALSE(container.isKindOf("cview"));
}

// A pixmap that counts its destruction.
class CountedPixmap : public CPixmap {
public:
    explicit CountedPixmap(int* destroyedCount) : CPixmap(kKeyedBitmap), destroyed(destroyedCount) {}
    ~CountedPixmap() override { ++*destroyed; }

private:
    int* destroyed;
};

TEST(RefCounting, LastReleaseDestroysOnceAndReleasesTheBackdropOnce) {
    useTestModuleResources();
    int pixmapsDestroyed = 0;
    Ref<CountedPixmap> pixmap = makeRef<CountedPixmap>(&pixmapsDestroyed);
    const int viewsBefore = RecordingView::destroyed;

    Ref<RecordingView> view = makeRef<RecordingView>("v", CRectangle{0, 0, 12, 14}, nullptr);
    view->setBackdrop(pixmap.get());
    EXPECT_EQ(pixmap->getRefCount(), 2);
    // Setting the pixmap it already holds keeps it alive and held once.
    view->setBackdrop(pixmap.get());
    EXPECT_EQ(pixmap->getRefCount(), 2);
    EXPECT_EQ(view->getBackdrop(), pixmap.get());

    { const Ref<RecordingView> second = view; }
    EXPECT_EQ(RecordingView::destroyed, viewsBefore);
    view.reset();
    EXPECT_EQ(RecordingView::destroyed, viewsBefore + 1);
    EXPECT_EQ(pixmapsDestroyed, 0);
    EXPECT_EQ(pixmap->getRefCount(), 1);
    pixmap.reset();
    EXPECT_EQ(pixmapsDestroyed, 1);
}

TEST(RefCounting, ReplacingTheBackdropReleasesTheOldOne) {
    useTestModuleResources();
    const Ref<CPixmap> first = makeRef<CPixmap>(kKeyedBitmap);
    const Ref<CPixmap> second = makeRef<CPixmap>(kRampBitmap);
    CView view(CRectangle{});
    view.setBackdrop(first.get());
    view.setBackdrop(second.get());
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(second->getRefCount(), 2);
    view.setBackdrop(nullptr);
    EXPECT_EQ(second->getRefCount(), 1);
}

TEST(ViewPainting, BackdropLandsOnTheTopLeftCornerAndOnlyWithinBounds) {
    useTestModuleResources();
    DibCanvas canvas(40, 40);
    canvas.fillPattern();
    CView view(CRectangle{5, 6, 15, 12}); // smaller than the pixmap
    view.setBackdrop(makeRef<CPixmap>(kRampBitmap).get());
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        view.paint(&context);
    }
    EXPECT_FALSE(view.needsRepaint());
    EXPECT_TRUE(regionMatches(canvas, RECT{5, 6, 15, 12}, [](int x, int y) { return rampColour(x, y); }));

    // Transparent: the white pixels of the backdrop leave the canvas alone.
    CView overlay(CRectangle{20, 20, 32, 34});
    overlay.setBackdrop(makeRef<CPixmap>(kKeyedBitmap).get());
    overlay.setTransparent(true);
    canvas.fillPattern();
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        overlay.paint(&context);
    }
    const PixelRule pattern = [&](int x, int y) { return canvas.patternColour(x, y); };
    EXPECT_TRUE(regionMatches(canvas, RECT{20, 20, 32, 34}, keyedOver(pattern, POINT{20, 20})));
}

TEST(ViewPainting, ViewWithoutBackdropOrContextStillClearsItsMark) {
    CView view(CRectangle{0, 0, 5, 5});
    view.setNeedsRepaint(true);
    view.paint(nullptr);
    EXPECT_FALSE(view.needsRepaint());
}

TEST(ViewRequests, RedrawAreaGoesToTheParentElseTheFrameElseNowhere) {
    std::vector<std::string> log;
    TestFrame frame(CRectangle{0, 0, 100, 100});
    auto* inner = frame.add<CViewContainer>(CRectangle{10, 10, 60, 60});
    auto* view = inner->add<RecordingView>("v", CRectangle{5, 5, 15, 15}, &log);
    DibCanvas canvas(100, 100);
    CPaintContext context(&frame, canvas.device(), nullptr);

    // Through the parent: the view's area is repainted at its place in the window.
    view->paints = 0;
    view->redrawArea(&context, CRectangle{5, 5, 15, 15});
    EXPECT_EQ(view->paints, 1);
    EXPECT_EQ(canvas.countColour(RGB(200, 40, 40), RECT{15, 15, 25, 25}), 100);
    EXPECT_EQ(canvas.countColour(RGB(200, 40, 40), RECT{0, 0, 100, 100}), 100);

    // No parent and no frame: nothing happens (and nothing breaks).
    CView loose(CRectangle{0, 0, 5, 5});
    loose.redrawArea(&context, CRectangle{0, 0, 5, 5});
    loose.setNeedsRepaint(true);
    loose.refresh(nullptr);
    EXPECT_FALSE(loose.needsRepaint());
}

TEST(ViewRequests, RefreshPaintsOnlyWhenNeeded) {
    std::vector<std::string> log;
    TestFrame frame(CRectangle{0, 0, 50, 50});
    auto* view = frame.add<RecordingView>("v", CRectangle{5, 5, 15, 15}, &log);

    // Without a context the frame paints the view with a context of its own.
    view->refresh(nullptr);
    ASSERT_EQ(frame.paintedViews.size(), 1u);
    EXPECT_EQ(frame.paintedViews[0], view);
    EXPECT_FALSE(view->needsRepaint());
    view->refresh(nullptr);
    EXPECT_EQ(frame.paintedViews.size(), 1u);

    DibCanvas canvas(50, 50);
    CPaintContext context(&frame, canvas.device(), nullptr);
    view->setNeedsRepaint(true);
    view->paints = 0;
    view->refresh(&context);
    EXPECT_EQ(view->paints, 1);
    EXPECT_FALSE(view->needsRepaint());
    view->refresh(&context);
    EXPECT_EQ(view->paints, 1);
}

TEST(ViewCoordinates, PointerPositionIsRelativeToTheParentsOrigin) {
    TestFrame frame(CRectangle{0, 0, 200, 200});
    auto* inner = frame.add<CViewContainer>(CRectangle{10, 20, 110, 120});
    auto* view = inner->add<CView>(CRectangle{5, 5, 15, 15});

    CPos where{77, 88};
    view->getPointerPosition(nullptr, where);
    EXPECT_EQ(where, (CPos{77, 88}));

    ASSERT_TRUE(SetCursorPos(300, 200));
    POINT cursor{};
    GetCursorPos(&cursor);
    CPaintContext context(&frame, nullptr, nullptr);
    context.getWindowOrigin() = CPos{100, 50};
    context.getOffset() = CPos{3, 4};
    view->getPointerPosition(&context, where);
    EXPECT_EQ(where, (CPos{cursor.x - 100 - 10, cursor.y - 50 - 20}));
    EXPECT_EQ(context.getWindowOrigin(), (CPos{100, 50}));
    EXPECT_EQ(context.getOffset(), (CPos{3, 4}));

    // The frame itself measures from the window origin alone.
    frame.getPointerPosition(&context, where);
    EXPECT_EQ(where, (CPos{cursor.x - 100, cursor.y - 50}));
}

TEST(ViewCoordinates, ToLocalAndToFrameWalkThroughEveryContainer) {
    CView loose(CRectangle{10, 10, 20, 20});
    CPos point{7, 8};
    EXPECT_EQ(loose.toLocal(point), (CPos{7, 8}));
    EXPECT_EQ(loose.toFrame(point), (CPos{7, 8}));

    TestFrame frame(CRectangle{0, 0, 300, 300});
    auto* outer = frame.add<CViewContainer>(CRectangle{10, 20, 210, 220});
    auto* inner = outer->add<CViewContainer>(CRectangle{5, 6, 105, 106});
    auto* view = inner->add<CView>(CRectangle{1, 1, 9, 9});

    CPos inFrame{50, 60};
    EXPECT_EQ(view->toLocal(inFrame), (CPos{35, 34}));
    CPos local{35, 34};
    EXPECT_EQ(view->toFrame(local), (CPos{50, 60}));
}

} // namespace
} // namespace tovrel::test
