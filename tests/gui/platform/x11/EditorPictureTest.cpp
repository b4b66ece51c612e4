// The whole editor painted without a window system, through the portable toolkit onto the Cairo
// painter, against the pictures of the Windows editor (docs/editor.png at 100 %, editor-200.png
// at 200 %).
#include "gui/CFrame.h"
#include "gui/CParamDisplay.h"
#include "plugin/CrossfeedEditor.h"
#include "plugin/CrossfeedEffect.h"
#include "tests/gui/platform/x11/HeadlessWindowSide.h"
#include "tests/gui/platform/x11/PngReader.h"
#include "tools/snapshot/PngWriter.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tovrel {
namespace {

// Not a colour of the editor: pixels the paint leaves alone show.
constexpr uint32_t kUnpainted = 0xFF00FF;

struct Painted {
    int32_t width{0};
    int32_t height{0};
    std::vector<uint32_t> pixels;      // 0x00RRGGBB
    std::vector<CRectangle> textBoxes; // the value displays, in device pixels
};

// Opens the editor on a screen of `percent` and exposes its whole window with a context on an
// image, as the X11 window's expose handler does.
Painted paintEditor(int32_t percent) {
    Painted painted;
    headless::setScreenScale(CScale{percent});
    CrossfeedEffect effect(nullptr);
    CrossfeedEditor editor(&effect);
    if (!editor.onEditOpen(reinterpret_cast<void*>(uintptr_t{0x400001})))
        return painted;
    const CPos size = headless::openedWindowSize();
    cairo_surface_t* window = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.h, size.v);
    cairo_t* context = cairo_create(window);
    cairo_set_source_rgb(context, 1.0, 0.0, 1.0);
    cairo_paint(context);
    headless::openedWindowEvents()->windowExposed(context, CRectangle{0, 0, size.h, size.v});
    cairo_destroy(context);
    cairo_surface_flush(window);

    painted.width = size.h;
    painted.height = size.v;
    const unsigned char* rows = cairo_image_surface_get_data(window);
    const int stride = cairo_image_surface_get_stride(window);
    for (int32_t y = 0; y < size.v; ++y)
        for (int32_t x = 0; x < size.h; ++x)
            painted.pixels.push_back(reinterpret_cast<const uint32_t*>(rows + y * stride)[x] & 0xFFFFFFu);
    cairo_surface_destroy(window);

    const CScale scale{percent};
    CFrame* frame = editor.getFrame();
    for (int32_t i = 0; i < frame->childCount(); ++i) {
        CView* view = frame->childAt(i);
        CRectangle bounds;
        if (view->isKindOf("CParamDisplay"))
            painted.textBoxes.push_back(scale.toDevice(view->getBounds(bounds)));
    }
    editor.onEditClose();
    return painted;
}

int channelDifference(uint32_t a, uint32_t b) {
    int largest = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int difference = static_cast<int>(a >> shift & 0xFFu) - static_cast<int>(b >> shift & 0xFFu);
        largest = std::max(largest, std::abs(difference));
    }
    return largest;
}

// Every pixel as the Windows editor shows it at 100 % and 200 %, the texts' too: at 100 % the
// texts are whole pixels, equal; at 200 % the face asks for smoothing, and a smoothed pixel may
// differ by one step in a channel, where GDI rounds its blend down and Cairo to the nearest.
TEST(EditorPicture, MatchesTheWindowsEditor) {
    const struct {
        int32_t percent;
        const char* name;
        int textTolerance;
    } cases[] = {{100, "editor", 0}, {200, "editor-200", 1}};
    for (const auto& c : cases) {
        const Painted painted = paintEditor(c.percent);
        ASSERT_GT(painted.width, 0) << c.percent;
        ASSERT_EQ(painted.textBoxes.size(), 3u);
        // Kept in the build tree, to be looked at.
        writePng(std::string(TOVREL_PICTURE_FOLDER) + "/" + c.name + "-linux.png", painted.pixels,
                 painted.width, painted.height);
        PngPicture reference;
        std::string error;
        ASSERT_TRUE(readPng(std::string(TOVREL_DOCS_FOLDER) + "/" + c.name + ".png", reference, error))
            << error;
        ASSERT_EQ(painted.width, reference.width) << c.name;
        ASSERT_EQ(painted.height, reference.height) << c.name;

        int differing = 0;
        int reported = 0;
        for (int32_t y = 0; y < painted.height; ++y) {
            for (int32_t x = 0; x < painted.width; ++x) {
                const uint32_t ours = painted.pixels[static_cast<size_t>(y * painted.width + x)];
                const uint32_t theirs = reference.at(x, y);
                if (ours == theirs)
                    continue;
                ++differing;
                bool inText = false;
                for (const CRectangle& box : painted.textBoxes)
                    inText = inText || (x >= box.left && x < box.right && y >= box.top && y < box.bottom);
                if (channelDifference(ours, theirs) > (inText ? c.textTolerance : 0) && reported++ < 10)
                    ADD_FAILURE() << c.name << " (" << x << ", " << y << "): " << std::hex << ours << " not "
                                  << theirs;
            }
        }
        EXPECT_EQ(reported, 0) << c.name << ": pixels beyond the tolerance";
        std::printf("%s: %d of %d pixels differ (allowed inside the texts: %d per channel)\n", c.name,
                    differing, painted.width * painted.height, c.textTolerance);
    }
}

} // namespace
} // namespace tovrel
