// Pixmaps from the test program's bitmap resources: loading, and the three ways of drawing.
#include "GuiTestSupport.h"

#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"
#include "gui/PlatformEntries.h"

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
    // Every pixel outside `area` still shows the canvas pattern.
    void expectUntouchedOutside(const RECT& area) {
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                if (!inside) {
                    ASSERT_EQ(canvas.pixel(x, y), canvas.patternColour(x, y)) << x << "," << y;
                }
            }
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
    expectUntouchedOutside(RECT{0, 0, 0, 0});
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
        expectUntouchedOutside(RECT{0, 0, 0, 0});
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
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(canvas.pixel(13 + x, 14 + y), rampColour(2 + x, 1 + y)) << x << "," << y;
    expectUntouchedOutside(RECT{13, 14, 23, 19});
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
    int white = 0;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 12; ++x) {
            const COLORREF source = keyedColour(x, y);
            const bool key = source == RGB(255, 255, 255);
            white += key ? 1 : 0;
            ASSERT_EQ(canvas.pixel(6 + x, 8 + y), key ? canvas.patternColour(6 + x, 8 + y) : source)
                << x << "," << y;
        }
    EXPECT_GT(white, 40);
    expectUntouchedOutside(RECT{6, 8, 18, 22});

    // A region from inside the pixmap.
    canvas.fillPattern();
    {
        CPaintContext context(nullptr, canvas.device(), nullptr);
        keyed.drawKeyed(&context, CRectangle{30, 20, 35, 24}, CPos{4, 3});
    }
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const COLORREF source = keyedColour(4 + x, 3 + y);
            ASSERT_EQ(canvas.pixel(30 + x, 20 + y),
                      source == RGB(255, 255, 255) ? canvas.patternColour(30 + x, 20 + y) : source);
        }
    expectUntouchedOutside(RECT{30, 20, 35, 24});
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
    expectUntouchedOutside(RECT{0, 0, 0, 0});

    alphaBlendEntry = imagingEntry<AlphaBlendFunction>("AlphaBlend");
    ASSERT_NE(alphaBlendEntry, nullptr);
    ramp.drawBlended(&context, CRectangle{4, 5, 14, 13}, CPos{3, 2}, 255);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(canvas.pixel(4 + x, 5 + y), rampColour(3 + x, 2 + y));
    expectUntouchedOutside(RECT{4, 5, 14, 13});

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
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(canvas.pixel(4 + x, 5 + y), rampColour(3 + x, 2 + y));
    expectUntouchedOutside(RECT{4, 5, 14, 13});
}

} // namespace
} // namespace tovrel::test
