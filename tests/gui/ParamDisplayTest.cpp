// The parameter display: its text (callbacks and the default format), read back from pixels
// against the same text drawn directly, and its background, frame, 3-D edges, shadow and styles.
#include "GuiTestSupport.h"

#include "gui/CPaintContext.h"
#include "gui/CParamDisplay.h"
#include "gui/CPixmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace tovrel::test {
namespace {

const CRectangle kArea{10, 6, 160, 20};
const CRgba kText{221, 233, 246, 255};
const CRgba kBack{28, 30, 35, 255};
const CRgba kFrame{200, 90, 10, 255};

COLORREF gdi(const CRgba& colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

void feedText(float value, char* text) {
    const int feed = 10 - static_cast<int>(value * -140.0f);
    std::snprintf(text, kDisplayTextSize, "%d.%d dB", feed / 10, feed % 10);
}

void labelledText(float value, char* text, void* data) {
    std::snprintf(text, kDisplayTextSize, "%s %.2f", static_cast<const char*>(data),
                  static_cast<double>(value));
}

// A display that paints with a backdrop given for one paint only.
class ReplacingDisplay : public CParamDisplay {
public:
    using CParamDisplay::CParamDisplay;
    void paintWith(CPaintContext* context, const char* text, CPixmap* replacement) {
        drawText(context, text, replacement);
    }
};

class ParamDisplayTest : public ::testing::Test {
protected:
    ParamDisplayTest() { useTestModuleResources(); }
    // Whether the display looks exactly like `text` drawn straight into a canvas with the same
    // background, font and alignment.
    ::testing::AssertionResult shows(CParamDisplay& display, const char* text, int32_t font = 3,
                                     int32_t alignment = kAlignCenter, const CRgba& textColour = kRgbaWhite,
                                     const CRgba& back = kRgbaBlack, int32_t face = 0) {
        canvas.fill(RGB(77, 1, 2));
        {
            CPaintContext context(nullptr, canvas.device(), nullptr);
            display.paint(&context);
        }
        DibCanvas reference(canvas.width(), canvas.height());
        reference.fill(RGB(77, 1, 2));
        {
            CPaintContext context(nullptr, reference.device(), nullptr);
            context.setFillColor(back);
            context.fillArea(kArea);
            context.setStrokeColor(back);
            context.outlineArea(kArea);
            context.selectFont(font, face);
            context.setTextColor(textColour);
            context.drawText(text, kArea, 0, alignment);
        }
        return regionMatches(canvas, RECT{}, nullptr, [&](int x, int y) { return reference.pixel(x, y); })
               << " showing \"" << text << "\"";
    }
    int inkPixels(COLORREF colour) const { return canvas.countColour(colour, RECT{0, 0, 170, 30}); }
    void paint(CParamDisplay& display) { paintInto(display, canvas); }
    static void paintInto(CParamDisplay& display, DibCanvas& target) {
        CPaintContext context(nullptr, target.device(), nullptr);
        display.paint(&context);
    }

    DibCanvas canvas{170, 30};
};

using ParamDisplayText = ParamDisplayTest;
using ParamDisplayDrawing = ParamDisplayTest;

TEST_F(ParamDisplayText, DefaultFormatShowsTwoDecimals) {
    CParamDisplay display(kArea);
    display.setValue(0.5f);
    EXPECT_TRUE(shows(display, "0.50"));
    EXPECT_FALSE(shows(display, "0.5"));
    display.setValue(-12.345f);
    EXPECT_TRUE(shows(display, "-12.35"));
}

TEST_F(ParamDisplayText, CallbacksWriteTheTextAndTheOneWithDataComesFirst) {
    CParamDisplay display(kArea);
    display.setAlignment(kAlignLeft);
    display.setFontNumber(4);
    display.setTextColour(kText);
    display.setBackColour(kBack);
    display.setFrameColour(kBack);
    display.setTextConverter(feedText);
    display.setValue(0.0f);
    EXPECT_TRUE(shows(display, "1.0 dB", 4, kAlignLeft, kText, kBack));
    display.setValue(1.0f);
    EXPECT_TRUE(shows(display, "15.0 dB", 4, kAlignLeft, kText, kBack));
    display.setValue(0.37142858f); // 10 + trunc(52.0000...) = 62
    EXPECT_TRUE(shows(display, "6.2 dB", 4, kAlignLeft, kText, kBack));

    char label[] = "Mix";
    display.setTextConverterWithData(labelledText, label);
    display.setValue(0.75f);
    EXPECT_TRUE(shows(display, "Mix 0.75", 4, kAlignLeft, kText, kBack));
    EXPECT_FALSE(shows(display, "Mix 0.75", 3, kAlignLeft, kText, kBack)); // another font
}

TEST_F(ParamDisplayText, AlignmentAndFaceChooseWhereAndHow) {
    CParamDisplay display(kArea);
    display.setValue(0.75f);
    display.setAlignment(kAlignRight);
    EXPECT_TRUE(shows(display, "0.75", 3, kAlignRight));
    EXPECT_FALSE(shows(display, "0.75", 3, kAlignCenter));
    display.setAlignment(kAlignLeft);
    EXPECT_TRUE(shows(display, "0.75", 3, kAlignLeft));

    display.setTextFace(kFontBold | kFontItalic);
    EXPECT_TRUE(shows(display, "0.75", 3, kAlignLeft, kRgbaWhite, kRgbaBlack, kFontBold | kFontItalic));
    EXPECT_FALSE(shows(display, "0.75", 3, kAlignLeft));
}

TEST_F(ParamDisplayText, LongTextIsClippedToTheBoundsAndTheClipIsGivenBack) {
    CParamDisplay display(CRectangle{10, 6, 40, 20});
    display.setAlignment(kAlignLeft);
    display.setTextConverter([](float, char* text) { std::strcpy(text, "WWWWWWWWWWWWWWWWWWWW"); });
    canvas.fill(RGB(77, 1, 2));
    CPaintContext context(nullptr, canvas.device(), nullptr);
    context.setClipArea(CRectangle{0, 0, 150, 30});
    display.paint(&context);
    // White text over the display's black, running on to the right edge of the bounds (cut there,
    // not shortened to fit), and nothing at all outside the bounds.
    const auto ink = [&](const RECT& area) {
        return (area.right - area.left) * (area.bottom - area.top) - canvas.countColour(RGB(0, 0, 0), area);
    };
    EXPECT_GT(ink(RECT{10, 6, 40, 20}), 20);
    EXPECT_GT(ink(RECT{36, 6, 40, 20}), 0);
    EXPECT_EQ(canvas.countColour(RGB(77, 1, 2), RECT{0, 0, 170, 30}), 170 * 30 - 30 * 14);
    EXPECT_EQ(context.getClipArea(), (CRectangle{0, 0, 150, 30}));

    // A clip narrower than the bounds narrows the text (and the background) further.
    canvas.fill(RGB(77, 1, 2));
    context.setClipArea(CRectangle{0, 0, 25, 30});
    display.setNeedsRepaint(true);
    display.paint(&context);
    EXPECT_GT(ink(RECT{10, 6, 25, 20}), 10);
    EXPECT_EQ(canvas.countColour(RGB(77, 1, 2), RECT{25, 0, 170, 30}), 145 * 30);
}

TEST_F(ParamDisplayDrawing, FrameColourOutlinesUnlessAnEdgeOrNoFrameIsAsked) {
    CParamDisplay display(kArea);
    display.setBackColour(kBack);
    display.setFrameColour(kFrame);
    display.setStyle(kStyleNoText);
    canvas.fill(RGB(77, 1, 2));
    paint(display);
    const int border = 2 * kArea.width() + 2 * kArea.height() - 4;
    EXPECT_EQ(inkPixels(gdi(kFrame)), border);
    EXPECT_EQ(canvas.pixel(kArea.left, kArea.top), gdi(kFrame));
    EXPECT_EQ(canvas.pixel(kArea.right - 1, kArea.bottom - 1), gdi(kFrame));
    EXPECT_EQ(inkPixels(gdi(kBack)), (kArea.width() - 2) * (kArea.height() - 2));
    EXPECT_EQ(inkPixels(RGB(255, 255, 255)), 0); // no text

    display.setStyle(kStyleNoFrame | kStyleNoText);
    canvas.fill(RGB(77, 1, 2));
    paint(display);
    EXPECT_EQ(inkPixels(gdi(kFrame)), 0);
    EXPECT_EQ(canvas.pixel(kArea.left + 5, kArea.top + 5), gdi(kBack));
}

TEST_F(ParamDisplayDrawing, InsetAndRaisedEdgesSwapTheirColours) {
    CParamDisplay display(kArea);
    display.setBackColour(kBack);
    display.setFrameColour(kFrame);
    for (int32_t style : {int32_t(kStyleInset), int32_t(kStyleRaised)}) {
        display.setStyle(style | kStyleNoText);
        canvas.fill(RGB(77, 1, 2));
        paint(display);
        const COLORREF lit = gdi(style == kStyleInset ? kBack : kFrame);
        const COLORREF shaded = gdi(style == kStyleInset ? kFrame : kBack);
        EXPECT_EQ(canvas.pixel(kArea.left, kArea.top + 5), lit) << style;         // left side
        EXPECT_EQ(canvas.pixel(kArea.left + 50, kArea.top + 1), lit) << style;    // top, one row in
        EXPECT_EQ(canvas.pixel(kArea.right - 1, kArea.top + 5), shaded) << style; // right side
        EXPECT_EQ(canvas.pixel(kArea.left + 50, kArea.bottom - 1), shaded) << style;
        // No outline: the top row keeps what lay beneath, the frame colour is only in the edge.
        EXPECT_EQ(canvas.pixel(kArea.left + 50, kArea.top), RGB(77, 1, 2)) << style;
    }
}

TEST_F(ParamDisplayDrawing, ShadowLiesUnderTheTextOnePixelDownRight) {
    CParamDisplay display(kArea);
    display.setValue(0.5f);
    display.setShadowColour(CRgba{0, 200, 0, 255});
    const COLORREF shadowColour = RGB(0, 200, 0);
    const COLORREF white = RGB(255, 255, 255);
    DibCanvas plain(170, 30);
    paintInto(display, plain);

    display.setStyle(kStyleShadowText);
    paint(display);
    EXPECT_GT(inkPixels(shadowColour), 10);
    for (int y = 1; y < 30; ++y)
        for (int x = 1; x < 170; ++x) {
            // The text is drawn last, so it is whole; the shadow is the text moved by one pixel.
            if (plain.pixel(x, y) == white) {
                ASSERT_EQ(canvas.pixel(x, y), white) << x << "," << y;
            }
            if (canvas.pixel(x, y) == shadowColour) {
                ASSERT_NE(plain.pixel(x - 1, y - 1), RGB(0, 0, 0)) << x << "," << y;
            }
        }
}

TEST_F(ParamDisplayDrawing, NoDrawTransparentAndOpaqueText) {
    CParamDisplay display(kArea);
    display.setValue(0.5f);

    // Nothing drawn at all, but the repaint is done.
    display.setStyle(kStyleNoDraw);
    canvas.fillPattern();
    paint(display);
    EXPECT_FALSE(display.needsRepaint());
    EXPECT_TRUE(regionMatches(canvas, RECT{}, nullptr));

    // Transparent without a backdrop: only the white text (and its smoothed edges, with a font
    // that smooths) over the untouched pattern, within the display.
    display.setStyle(0);
    display.setTransparent(true);
    canvas.fillPattern();
    paint(display);
    int changed = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 170; ++x)
            if (canvas.pixel(x, y) != canvas.patternColour(x, y)) {
                ++changed;
                ASSERT_TRUE(x >= kArea.left && x < kArea.right && y >= kArea.top && y < kArea.bottom)
                    << x << "," << y;
                ASSERT_TRUE(isBlendOf(canvas.pixel(x, y), canvas.patternColour(x, y), RGB(255, 255, 255)))
                    << x << "," << y << ": " << std::hex << canvas.pixel(x, y);
            }
    EXPECT_GT(changed, 10);

    // Opaque text fills its cell with the context's fill colour (black here), which the pattern
    // never has.
    EXPECT_EQ(inkPixels(RGB(0, 0, 0)), 0);
    display.setTextTransparent(false);
    canvas.fillPattern();
    paint(display);
    EXPECT_GT(inkPixels(RGB(0, 0, 0)), 10);
    EXPECT_EQ(canvas.pixel(kArea.left, kArea.top), canvas.patternColour(kArea.left, kArea.top));
}

TEST_F(ParamDisplayDrawing, BackdropFromTheOffsetAndAReplacementForOnePaint) {
    const Ref<CPixmap> keyed = makeRef<CPixmap>(kKeyedBitmap);
    ReplacingDisplay display(CRectangle{4, 3, 16, 13});
    display.setBackdrop(makeRef<CPixmap>(kRampBitmap).get());
    display.setBackdropOffset(CPos{2, 1});
    display.setStyle(kStyleNoText);
    canvas.fillPattern();
    paint(display);
    EXPECT_TRUE(
        regionMatches(canvas, RECT{4, 3, 16, 13}, [](int x, int y) { return rampColour(2 + x, 1 + y); }));

    // A transparent display leaves out the replacement's white pixels.
    display.setTransparent(true);
    display.setBackdropOffset(CPos{});
    canvas.fillPattern();
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        display.paintWith(&context, "", keyed.get());
    }
    const PixelRule beneath = [this](int x, int y) { return canvas.patternColour(x, y); };
    EXPECT_TRUE(regionMatches(canvas, RECT{4, 3, 16, 13}, keyedOver(beneath, POINT{4, 3})));
}

TEST(ParamDisplaySettings, OnlyRealChangesAskForARepaint) {
    CParamDisplay display(CRectangle{0, 0, 10, 10});
    EXPECT_FALSE(display.isKindOf("CSlider"));
    display.setNeedsRepaint(false);
    // The initial settings again, then the callbacks and the text transparency: no repaint.
    display.setTextColour(kRgbaWhite);
    display.setBackColour(kRgbaBlack);
    display.setShadowColour(kRgbaRed);
    display.setFontNumber(3);
    display.setAlignment(kAlignCenter);
    display.setStyle(0);
    display.setTextFace(0);
    display.setTextConverter(feedText);
    display.setTextParser(nullptr);
    display.setTextTransparent(false);
    EXPECT_FALSE(display.needsRepaint());
    // A colour that differs only in its alpha byte is a change.
    display.setFrameColour(CRgba{0, 0, 0, 254});
    EXPECT_TRUE(display.needsRepaint());
    display.setNeedsRepaint(false);
    display.setTextFace(kFontItalic);
    EXPECT_TRUE(display.needsRepaint());

    // It takes no mouse input: not even the reset gesture.
    display.setValue(0.25f);
    display.handleMouse(nullptr, CPos{5, 5}, kMouseLeft | kKeyControl);
    EXPECT_EQ(display.getValue(), 0.25f);
}

} // namespace
} // namespace tovrel::test
