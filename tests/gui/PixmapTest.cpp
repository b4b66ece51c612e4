// Pixmaps from the test program's bitmap resources: loading, and the three ways of drawing.
#include "GuiTestSupport.h"

#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"
#include "gui/platform/win32/PlatformEntries.h"

#include <gtest/gtest.h>

namespace tovrel::test {
namespace {

class PixmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        useTestModuleResources();
        canvas.fillPattern();
    }
    void TearDown() override {
        transparentBltEntry = nullptr;
        alphaBlendEntry = nullptr;
        osVersion = OSVERSIONINFOA{};
    }
    // Nothing drawn anywhere.
    ::testing::AssertionResult untouched() {
        return regionMatches(canvas, RECT{0, 0, 0, 0}, [](int, int) { return COLORREF(0); });
    }
    PixelRule pattern() {
        return [this](int x, int y) { return canvas.patternColour(x, y); };
    }

    DibCanvas canvas{48, 40};
};

template <typename Function> Function imagingEntry(const char* name) {
    HMODULE library = LoadLibraryA("msimg32.dll");
    return library ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)))
                   : nullptr;
}

TEST_F(PixmapTest, SizesComeFromTheResource) {
    CPixmap keyed(kKeyedBitmap);
    EXPECT_EQ(keyed.getWidth(), 12);
    EXPECT_EQ(keyed.getHeight(), 14);
    EXPECT_NE(keyed.getBitmap(), nullptr);
    EXPECT_EQ(keyed.getKeyColor(), kRgbaKeyWhite);
    CPixmap ramp(kRampBitmap);
    EXPECT_EQ(ramp.getWidth(), 20);
    EXPECT_EQ(ramp.getHeight(), 16);

    // Only the low 16 bits of the number name the resource.
    CPixmap high(65536 + kKeyedBitmap);
    EXPECT_EQ(high.getWidth(), 12);
    EXPECT_EQ(high.getHeight(), 14);
    EXPECT_TRUE(high.loadResource(3 * 65536 + kRampBitmap));
    EXPECT_EQ(high.getWidth(), 20);
}

TEST_F(PixmapTest, MissingResourceIsEmptyAndDrawsNothing) {
    CPixmap missing(200);
    EXPECT_EQ(missing.getWidth(), 0);
    EXPECT_EQ(missing.getHeight(), 0);
    EXPECT_EQ(missing.getBitmap(), nullptr);
    EXPECT_FALSE(missing.loadResource(201));
    EXPECT_FALSE(missing.loadResource(65536)); // resource number 0
    alphaBlendEntry = imagingEntry<AlphaBlendFunction>("AlphaBlend");
    CPaintContext context(nullptr, canvas.device(), nullptr);
    missing.drawCopy(&context, CRectangle{0, 0, 20, 20}, CPos{});
    missing.drawKeyed(&context, CRectangle{0, 0, 20, 20}, CPos{});
    missing.drawBlended(&context, CRectangle{0, 0, 20, 20}, CPos{}, 255);
    EXPECT_TRUE(untouched());
}

TEST_F(PixmapTest, UnloadEmptiesAndLoadingAgainRestores) {
    const int objects = processGdiObjectCount();
    {
        CPixmap pixmap(kRampBitmap);
        EXPECT_EQ(processGdiObjectCount(), objects + 1);
        pixmap.unload();
        EXPECT_EQ(processGdiObjectCount(), objects);
        EXPECT_EQ(pixmap.getWidth(), 0);
        EXPECT_EQ(pixmap.getHeight(), 0);
        EXPECT_EQ(pixmap.getBitmap(), nullptr);
        {
            CPaintContext context(nullptr, canvas.device(), nullptr);
            pixmap.drawCopy(&context, CRectangle{0, 0, 20, 16}, CPos{});
        }
        EXPECT_TRUE(untouched());
        EXPECT_TRUE(pixmap.loadResource(kKeyedBitmap));
        EXPECT_TRUE(pixmap.loadResource(kRampBitmap)); // replaces, does not pile up
        EXPECT_EQ(pixmap.getWidth(), 20);
        EXPECT_EQ(processGdiObjectCount(), objects + 1);
    }
    EXPECT_EQ(processGdiObjectCount(), objects);
}

TEST_F(PixmapTest, DrawCopyLandsOnTheExactPixels) {
    CPixmap ramp(kRampBitmap);
    CPaintContext context(nullptr, canvas.device(), nullptr);
    context.getOffset() = CPos{3, 4};
    ramp.drawCopy(&context, CRectangle{10, 10, 20, 15}, CPos{2, 1});
    EXPECT_TRUE(
        regionMatches(canvas, RECT{13, 14, 23, 19}, [](int x, int y) { return rampColour(2 + x, 1 + y); }));
}

// Keyed drawing gives the same picture with the platform's TransparentBlt and without it.
class KeyedDrawing : public PixmapTest, public ::testing::WithParamInterface<bool> {};

TEST_P(KeyedDrawing, WhiteLeavesTheDestinationAndEverythingElseIsCopied) {
    if (GetParam()) {
        transparentBltEntry = imagingEntry<TransparentBltFunction>("TransparentBlt");
        ASSERT_NE(transparentBltEntry, nullptr);
    }
    const int objects = processGdiObjectCount();
    CPixmap keyed(kKeyedBitmap);
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        context.getOffset() = CPos{1, 2};
        keyed.drawKeyed(&context, CRectangle{5, 6, 17, 20}, CPos{});
        // The destination's colours are given back after the mask passes.
        EXPECT_EQ(GetBkColor(canvas.device()), RGB(0, 0, 0));
        EXPECT_EQ(GetTextColor(canvas.device()), RGB(255, 255, 255));
    }
    EXPECT_TRUE(regionMatches(canvas, RECT{6, 8, 18, 22}, keyedOver(pattern(), POINT{6, 8})));

    // A region from inside the pixmap.
    canvas.fillPattern();
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        keyed.drawKeyed(&context, CRectangle{30, 20, 35, 24}, CPos{4, 3});
    }
    EXPECT_TRUE(
        regionMatches(canvas, RECT{30, 20, 35, 24}, keyedOver(pattern(), POINT{30, 20}, POINT{4, 3})));
    EXPECT_EQ(processGdiObjectCount(), objects + 1); // the pixmap's own bitmap only
}

INSTANTIATE_TEST_SUITE_P(PixmapTest, KeyedDrawing, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& method) {
                             return method.param ? "TransparentBlt" : "MaskMethod";
                         });

TEST_F(PixmapTest, BlendedNeedsTheAlphaBlendEntry) {
    CPixmap ramp(kRampBitmap);
    CPaintContext context(nullptr, canvas.device(), nullptr);
    alphaBlendEntry = nullptr;
    ramp.drawBlended(&context, CRectangle{0, 0, 20, 16}, CPos{}, 255);
    EXPECT_TRUE(untouched());

    alphaBlendEntry = imagingEntry<AlphaBlendFunction>("AlphaBlend");
    ASSERT_NE(alphaBlendEntry, nullptr);
    ramp.drawBlended(&context, CRectangle{4, 5, 14, 13}, CPos{3, 2}, 255);
    EXPECT_TRUE(
        regionMatches(canvas, RECT{4, 5, 14, 13}, [](int x, int y) { return rampColour(3 + x, 2 + y); }));

    // Half opacity lands between the two colours.
    canvas.fill(RGB(0, 0, 0));
    ramp.drawBlended(&context, CRectangle{0, 0, 20, 16}, CPos{}, 128);
    const COLORREF full = rampColour(10, 10);
    const COLORREF half = canvas.pixel(10, 10);
    EXPECT_NEAR(GetRValue(half), GetRValue(full) / 2, 2);
    EXPECT_NEAR(GetGValue(half), GetGValue(full) / 2, 2);

    // The copy through a staging bitmap, taken on one old platform, gives the same picture.
    osVersion.dwPlatformId = 1;
    osVersion.dwMajorVersion = 4;
    osVersion.dwMinorVersion = 10;
    canvas.fillPattern();
    ramp.drawBlended(&context, CRectangle{4, 5, 14, 13}, CPos{3, 2}, 255);
    EXPECT_TRUE(
        regionMatches(canvas, RECT{4, 5, 14, 13}, [](int x, int y) { return rampColour(3 + x, 2 + y); }));
}

} // namespace
} // namespace tovrel::test
