// The paint context over real GDI devices, the offscreen buffer, and the button query.
#include "GuiTestSupport.h"

#include "gui/COffscreenPaint.h"
#include "gui/CPaintContext.h"
#include "gui/platform/win32/PlatformEntries.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tovrel::test {
namespace {

LOGFONTA selectedFont(HDC device) {
    LOGFONTA description{};
    GetObjectA(GetCurrentObject(device, OBJ_FONT), sizeof(description), &description);
    return description;
}

TEST(PaintContext, DefaultsOverAWindow) {
    TestWindow window(200, 100, 140, 90);
    ASSERT_NE(window.handle(), nullptr);
    RECT screen{};
    GetWindowRect(window.handle(), &screen);

    CPaintContext context(nullptr, nullptr, window.handle());
    ASSERT_NE(context.getDevice(), nullptr);
    EXPECT_EQ(context.getWindowOrigin(), (CPos{screen.left, screen.top}));
    EXPECT_EQ(context.getOffset(), (CPos{0, 0}));
    EXPECT_EQ(context.getStrokeColor(), kRgbaWhite);
    EXPECT_EQ(context.getStrokeWidth(), 1);
    EXPECT_EQ(context.getStrokeStyle(), 0);
    EXPECT_EQ(context.getFillColor(), kRgbaBlack);
    EXPECT_EQ(context.getTextColor(), kRgbaWhite);
    EXPECT_EQ(context.getDrawMode(), 0);
    EXPECT_EQ(context.getFontNumber(), 0);
    EXPECT_EQ(context.getFontSize(), 12);
    EXPECT_EQ(context.getFontStyle(), 0);
    EXPECT_EQ(context.getClipArea(), (CRectangle{0, 0, 1000, 1000}));

    HDC device = context.getDevice();
    EXPECT_EQ(GetBkMode(device), TRANSPARENT);
    EXPECT_EQ(GetROP2(device), R2_COPYPEN);
    EXPECT_EQ(GetTextColor(device), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(device), RGB(0, 0, 0));
    LOGPEN pen{};
    GetObjectA(GetCurrentObject(device, OBJ_PEN), sizeof(pen), &pen);
    EXPECT_EQ(pen.lopnStyle, UINT(PS_SOLID));
    EXPECT_EQ(pen.lopnWidth.x, 1);
    EXPECT_EQ(pen.lopnColor, RGB(255, 255, 255));
    const LOGFONTA font = selectedFont(device);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(font.lfWeight, FW_BOLD); // the system font is always bold
}

TEST(PaintContext, WithoutWindowTheOriginIsZeroAndAFrameGivesTheClip) {
    DibCanvas canvas(10, 10);
    CPaintContext plain(nullptr, canvas.device(), nullptr);
    EXPECT_EQ(plain.getWindowOrigin(), (CPos{0, 0}));

    TestFrame frame(CRectangle{0, 0, 183, 225});
    CPaintContext framed(&frame, canvas.device(), nullptr);
    EXPECT_EQ(framed.getClipArea(), (CRectangle{0, 0, 183, 225}));
}

TEST(PaintContext, DestructionPutsBackWhatTheDeviceHeld) {
    DibCanvas canvas(10, 10);
    HDC device = canvas.device();
    HGDIOBJ pen = GetCurrentObject(device, OBJ_PEN);
    HGDIOBJ brush = GetCurrentObject(device, OBJ_BRUSH);
    HGDIOBJ font = GetCurrentObject(device, OBJ_FONT);
    const int objectsBefore = processGdiObjectCount();
    {
        CPaintContext context(nullptr, device, nullptr);
        context.setStrokeColor(kRgbaRed);
        context.setFillColor(kRgbaRed);
        context.selectFont(2, kFontItalic);
        EXPECT_NE(GetCurrentObject(device, OBJ_PEN), pen);
    }
    EXPECT_EQ(GetCurrentObject(device, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(device, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(device, OBJ_FONT), font);
    EXPECT_EQ(processGdiObjectCount(), objectsBefore);
}

TEST(PaintContext, FillLeavesTheTopRowAndLeftColumnAndOutlineDrawsTheBorder) {
    DibCanvas canvas(40, 40);
    const COLORREF blank = RGB(1, 2, 3);
    canvas.fill(blank);
    CPaintContext context(nullptr, canvas.device(), nullptr);
    context.setFillColor(CRgba{0, 0, 255, 255});
    context.fillArea(CRectangle{10, 10, 20, 20});
    const PixelRule blankRule = [&](int, int) { return blank; };
    EXPECT_TRUE(regionMatches(
        canvas, RECT{11, 11, 20, 20}, [](int, int) { return RGB(0, 0, 255); }, blankRule));

    canvas.fill(blank);
    context.setStrokeColor(CRgba{0, 255, 0, 255});
    context.outlineArea(CRectangle{10, 10, 20, 20});
    const PixelRule border = [&](int x, int y) {
        return x == 0 || x == 9 || y == 0 || y == 9 ? RGB(0, 255, 0) : blank;
    };
    EXPECT_TRUE(regionMatches(canvas, RECT{10, 10, 20, 20}, border, blankRule));

    // The offset moves everything drawn.
    canvas.fill(blank);
    context.getOffset() = CPos{3, 4};
    context.fillArea(CRectangle{10, 10, 20, 20});
    EXPECT_EQ(canvas.countColour(RGB(0, 0, 255), RECT{14, 15, 23, 24}), 81);
    EXPECT_EQ(canvas.countColour(RGB(0, 0, 255), RECT{0, 0, 40, 40}), 81);
}

// A frame stand-in drawn at a scale of its own.
class ScaledFrame : public TestFrame {
public:
    ScaledFrame(const CRectangle& area, int32_t percent) : TestFrame(area), scale(percent) {}
    CScale frameScale() const override { return scale; }

private:
    CScale scale;
};

// A long staircase, at 100 % as lines and at 200 % as bands: every segment covers the view pixels
// from its start up to its end, however many points the line has, and nothing else is touched.
TEST(PaintContext, LinesThroughManyPointsDrawEverySegmentAtEveryScale) {
    constexpr int kPoints = 41;
    CPos points[kPoints];
    points[0] = CPos{2, 2};
    for (int i = 1; i < kPoints; ++i)
        points[i] =
            i % 2 ? CPos{points[i - 1].h + 3, points[i - 1].v} : CPos{points[i - 1].h, points[i - 1].v + 2};
    // View pixel (x, y) lies on the line when some segment covers it, its end left out.
    const auto onLine = [&](int x, int y) {
        for (int i = 1; i < kPoints; ++i) {
            const CPos& from = points[i - 1];
            const CPos& to = points[i];
            if ((from.v == y && to.v == y && x >= from.h && x < to.h) ||
                (from.h == x && to.h == x && y >= from.v && y < to.v))
                return true;
        }
        return false;
    };
    const COLORREF blank = RGB(1, 2, 3);
    for (const int32_t percent : {100, 200}) {
        ScaledFrame frame(CRectangle{0, 0, 70, 50}, percent);
        DibCanvas canvas(140, 100);
        canvas.fill(blank);
        {
            CPaintContext context(&frame, canvas.device(), nullptr);
            context.setStrokeColor(CRgba{0, 255, 0, 255});
            context.drawLines(points, kPoints);
        }
        const CScale scale(percent);
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                ASSERT_EQ(canvas.pixel(x, y),
                          onLine(scale.toView(x), scale.toView(y)) ? RGB(0, 255, 0) : blank)
                    << percent << " % at device " << x << "," << y;
    }
}

// The columns that text drawn into `area` touched on a blank canvas, as [first, last].
struct InkSpan {
    int first{-1};
    int last{-1};
};

InkSpan inkColumns(const DibCanvas& canvas, COLORREF blank) {
    InkSpan span;
    for (int x = 0; x < canvas.width(); ++x)
        for (int y = 0; y < canvas.height(); ++y)
            if (canvas.pixel(x, y) != blank) {
                if (span.first < 0)
                    span.first = x;
                span.last = x;
                break;
            }
    return span;
}

TEST(PaintContextText, AlignmentAndTheOnePixelLeftInset) {
    DibCanvas canvas(160, 30);
    const COLORREF blank = RGB(0, 0, 0);
    const CRectangle area{10, 5, 150, 25};

    canvas.fill(blank);
    {
        // Plain DrawTextA at the area's left edge, for reference.
        CPaintContext context(nullptr, canvas.device(), nullptr);
        RECT box{area.left, area.top, area.right, area.bottom};
        DrawTextA(canvas.device(), "Hill", 4, &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    }
    const InkSpan reference = inkColumns(canvas, blank);
    ASSERT_GE(reference.first, 0);

    for (int32_t alignment : {int32_t(kAlignLeft), int32_t(5)}) {
        canvas.fill(blank);
        CPaintContext context(nullptr, canvas.device(), nullptr);
        context.drawText("Hill", area, 0, alignment);
        const InkSpan left = inkColumns(canvas, blank);
        EXPECT_EQ(left.first, reference.first + 1) << "alignment " << alignment;
    }

    canvas.fill(blank);
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        context.drawText("Hill", area, 0, kAlignRight);
    }
    const InkSpan right = inkColumns(canvas, blank);
    EXPECT_LT(right.last, area.right);
    EXPECT_GE(right.last, area.right - 4);

    canvas.fill(blank);
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        context.drawText("Hill", area, 0, kAlignCenter);
    }
    const InkSpan centre = inkColumns(canvas, blank);
    const int middle = (area.left + area.right) / 2;
    EXPECT_NEAR((centre.first + centre.last) / 2.0, middle, 3.0);

    // A null text draws nothing.
    canvas.fill(blank);
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        context.drawText(nullptr, area, 1, kAlignLeft);
    }
    EXPECT_EQ(inkColumns(canvas, blank).first, -1);
}

TEST(PaintContextText, OpaqueTextFillsBehindTheGlyphsAndTransparentDoesNot) {
    DibCanvas canvas(120, 30);
    const COLORREF blank = RGB(9, 9, 9);
    const CRectangle area{5, 5, 115, 25};
    const RECT everywhere{0, 0, 120, 30};

    canvas.fill(blank);
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        context.setFillColor(CRgba{0, 0, 200, 255});
        context.drawText("Mix", area, 0, kAlignLeft);
        EXPECT_EQ(GetBkMode(canvas.device()), TRANSPARENT);
    }
    EXPECT_EQ(canvas.countColour(RGB(0, 0, 200), everywhere), 0);
    EXPECT_GT(canvas.countColour(RGB(255, 255, 255), everywhere), 0);

    canvas.fill(blank);
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        context.setFillColor(CRgba{0, 0, 200, 255});
        context.drawText("Mix", area, 1, kAlignLeft);
        EXPECT_EQ(GetBkMode(canvas.device()), TRANSPARENT); // put back after drawing
    }
    EXPECT_GT(canvas.countColour(RGB(0, 0, 200), everywhere), 20);
}

TEST(PaintContextFonts, TableNumbersStylesAndFallback) {
    DibCanvas canvas(10, 10);
    CPaintContext context(nullptr, canvas.device(), nullptr);
    HGDIOBJ first = GetCurrentObject(canvas.device(), OBJ_FONT);
    context.selectFont(0, 0); // what the constructor chose: nothing happens
    EXPECT_EQ(GetCurrentObject(canvas.device(), OBJ_FONT), first);

    context.selectFont(3, 0);
    LOGFONTA font = selectedFont(canvas.device());
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_EQ(context.getFontNumber(), 3);

    context.selectFont(2, kFontBold | kFontItalic | kFontUnderline);
    font = selectedFont(canvas.device());
    EXPECT_EQ(font.lfHeight, -14);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_TRUE(font.lfItalic);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_EQ(font.lfPitchAndFamily, VARIABLE_PITCH | FF_SWISS);

    context.selectFont(7, 0);
    font = selectedFont(canvas.device());
    EXPECT_STREQ(font.lfFaceName, "Symbol");
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_EQ(font.lfPitchAndFamily, FF_DECORATIVE);

    for (int32_t outOfRange : {8, 9, -1}) {
        context.selectFont(outOfRange, kFontItalic);
        EXPECT_EQ(context.getFontNumber(), 0) << outOfRange;
        font = selectedFont(canvas.device());
        EXPECT_EQ(font.lfHeight, -12);
        EXPECT_EQ(font.lfWeight, FW_BOLD) << "font 0 is bold whatever the style";
        EXPECT_STREQ(font.lfFaceName, "Arial");
    }
}

TEST(PaintContextCaching, UnchangedSettingsMakeNoNewObject) {
    DibCanvas canvas(50, 50);
    HDC device = canvas.device();
    CPaintContext context(nullptr, device, nullptr);
    const int objects = processGdiObjectCount();
    ASSERT_GT(objects, 0);
    HGDIOBJ pen = GetCurrentObject(device, OBJ_PEN);
    HGDIOBJ brush = GetCurrentObject(device, OBJ_BRUSH);
    HGDIOBJ font = GetCurrentObject(device, OBJ_FONT);

    for (int i = 0; i < 50; ++i) {
        context.setStrokeColor(kRgbaWhite);
        context.setStrokeStyle(0);
        context.setStrokeWidth(1);
        context.setFillColor(kRgbaBlack);
        context.selectFont(0, 0);
    }
    EXPECT_EQ(GetCurrentObject(device, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(device, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(device, OBJ_FONT), font);
    EXPECT_EQ(processGdiObjectCount(), objects);

    // A colour differing only in alpha still makes a new pen; the old one is deleted at once.
    context.setStrokeColor(CRgba{255, 255, 255, 0});
    EXPECT_NE(GetCurrentObject(device, OBJ_PEN), pen);
    EXPECT_EQ(processGdiObjectCount(), objects);
    for (int i = 0; i < 50; ++i) {
        context.setStrokeColor(CRgba{uint8_t(i), 0, 0, 255});
        context.setFillColor(CRgba{0, uint8_t(i), 0, 255});
        context.selectFont(i % 8, i % 3);
    }
    EXPECT_EQ(processGdiObjectCount(), objects);
}

TEST(PaintContextCaching, ClipRegionIsAppliedOnlyWhenTheRectangleChanges) {
    DibCanvas canvas(50, 50);
    HDC device = canvas.device();
    CPaintContext context(nullptr, device, nullptr);
    HRGN probe = CreateRectRgn(0, 0, 0, 0);

    // The recorded clip of a new context: asking for it applies nothing.
    context.setClipArea(CRectangle{0, 0, 1000, 1000});
    EXPECT_EQ(GetClipRgn(device, probe), 0);

    context.getOffset() = CPos{2, 3};
    context.setClipArea(CRectangle{10, 10, 20, 20});
    ASSERT_EQ(GetClipRgn(device, probe), 1);
    RECT box{};
    GetRgnBox(probe, &box);
    EXPECT_EQ(box.left, 12);
    EXPECT_EQ(box.top, 13);
    EXPECT_EQ(box.right, 22);
    EXPECT_EQ(box.bottom, 23);
    EXPECT_EQ(context.getClipArea(), (CRectangle{12, 13, 22, 23}));
    EXPECT_EQ(context.clipInDrawingCoordinates(), (CRectangle{10, 10, 20, 20}));

    // Same rectangle again: the cached clip stands, even though the device lost its region.
    SelectClipRgn(device, nullptr);
    context.setClipArea(CRectangle{10, 10, 20, 20});
    EXPECT_EQ(GetClipRgn(device, probe), 0);
    context.setClipArea(CRectangle{10, 10, 21, 20});
    EXPECT_EQ(GetClipRgn(device, probe), 1);
    DeleteObject(probe);

    // The clip really limits drawing.
    canvas.fill(RGB(0, 0, 0));
    context.getOffset() = CPos{};
    context.setClipArea(CRectangle{0, 0, 5, 5});
    context.setFillColor(kRgbaRed);
    context.fillArea(CRectangle{-1, -1, 50, 50});
    EXPECT_EQ(canvas.countColour(RGB(255, 0, 0), RECT{0, 0, 50, 50}), 25);
}

TEST(OffscreenBuffer, StartsBlackAndCopiesFromTheSourceOffset) {
    TestWindow window(100, 100);
    TestFrame frame(CRectangle{0, 0, 100, 100}, window.handle());
    const int objectsBefore = processGdiObjectCount();
    {
        COffscreenPaint buffer(&frame, 30, 20, kRgbaBlack);
        EXPECT_EQ(buffer.getClipArea(), (CRectangle{0, 0, 30, 20}));
        HDC memory = buffer.getDevice();
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                ASSERT_EQ(GetPixel(memory, x, y), RGB(0, 0, 0)) << x << "," << y;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                SetPixel(memory, x, y, RGB(x * 8, y * 12, 33));

        DibCanvas canvas(60, 60);
        canvas.fillPattern();
        CPaintContext destination(nullptr, canvas.device(), nullptr);
        destination.getOffset() = CPos{2, 3};
        buffer.getOffset() = CPos{40, 40}; // the buffer's own offset plays no part
        buffer.copyTo(&destination, CRectangle{10, 10, 20, 17}, CPos{5, 7});
        EXPECT_TRUE(regionMatches(canvas, RECT{12, 13, 22, 20},
                                  [](int x, int y) { return RGB((x + 5) * 8, (y + 7) * 12, 33); }));
    }
    EXPECT_EQ(processGdiObjectCount(), objectsBefore);
}

TEST(OffscreenBuffer, DrawingIntoTheBufferUsesTheContextsSettings) {
    TestWindow window(100, 100);
    TestFrame frame(CRectangle{0, 0, 100, 100}, window.handle());
    COffscreenPaint buffer(&frame, 20, 20, kRgbaBlack);
    buffer.setFillColor(CRgba{0, 128, 0, 255});
    buffer.fillArea(CRectangle{0, 0, 20, 20});
    EXPECT_EQ(GetPixel(buffer.getDevice(), 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(buffer.getDevice(), 1, 1), RGB(0, 128, 0));
    EXPECT_EQ(GetPixel(buffer.getDevice(), 19, 19), RGB(0, 128, 0));
}

class ButtonDecoding : public ::testing::Test {
protected:
    void TearDown() override { buttonsSwapped = false; }
    SyntheticInput input;
};

TEST_F(ButtonDecoding, ButtonsAndModifiers) {
    buttonsSwapped = false;
    EXPECT_EQ(currentButtons(), 0);
    input.pressLeft(true);
    EXPECT_EQ(currentButtons(), kMouseLeft);
    input.pressKey(VK_CONTROL, true);
    EXPECT_EQ(currentButtons(), 17);
    input.pressKey(VK_SHIFT, true);
    EXPECT_EQ(currentButtons(), kMouseLeft | kKeyControl | kKeyShift);
    input.pressKey(VK_CONTROL, false);
    input.pressKey(VK_SHIFT, false);
    input.pressLeft(false);
    input.pressMiddle(true);
    EXPECT_EQ(currentButtons(), kMouseMiddle);
    input.pressMiddle(false);
    input.pressRight(true);
    input.pressKey(VK_MENU, true);
    EXPECT_EQ(currentButtons(), kMouseRight | kKeyAlt);
    input.pressKey(VK_MENU, false);
    input.pressRight(false);
    EXPECT_EQ(currentButtons(), 0);
}

TEST_F(ButtonDecoding, SwappedButtonsExchangeLeftAndRight) {
    buttonsSwapped = true;
    input.pressLeft(true);
    EXPECT_EQ(currentButtons(), kMouseRight);
    input.pressLeft(false);
    input.pressRight(true);
    EXPECT_EQ(currentButtons(), kMouseLeft);
    input.pressKey(VK_CONTROL, true);
    EXPECT_EQ(currentButtons(), kMouseLeft | kKeyControl);
}

} // namespace
} // namespace tovrel::test
