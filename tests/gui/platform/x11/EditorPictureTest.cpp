// The whole editor painted without a window system, through the portable toolkit onto the Cairo
// painter, against the pictures of the Windows editor (docs/editor.png at 100 %, editor-200.png
// at 200 %).
#include "gui/CFrame.h"
#include "plugin/CrossfeedEditor.h"
#include "plugin/CrossfeedEffect.h"
#include "tests/gui/platform/x11/HeadlessWindowSide.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tovrel {
namespace {

// An image's pixel as 0x00RRGGBB.
uint32_t pixelOf(cairo_surface_t* image, int32_t x, int32_t y) {
    const unsigned char* row =
        cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFFu;
}

int channelDifference(uint32_t a, uint32_t b) {
    int largest = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int difference = static_cast<int>(a >> shift & 0xFFu) - static_cast<int>(b >> shift & 0xFFu);
        largest = std::max(largest, std::abs(difference));
    }
    return largest;
}

// Opens the editor on a screen of `percent` and exposes its whole window with a context on an
// image, as the X11 window's expose handler does; answers the image and the value displays'
// areas in it.
cairo_surface_t* paintEditor(int32_t percent, std::vector<CRectangle>& textBoxes) {
    headless::setScreenScale(CScale{percent});
    CrossfeedEffect effect(nullptr);
    CrossfeedEditor editor(&effect);
    if (!editor.onEditOpen(reinterpret_cast<void*>(uintptr_t{0x400001})))
        return nullptr;
    const CPos size = headless::openedWindowSize();
    cairo_surface_t* window = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.h, size.v);
    cairo_t* context = cairo_create(window);
    // Magenta, which the editor never shows: a pixel the paint leaves alone stands out.
    cairo_set_source_rgb(context, 1.0, 0.0, 1.0);
    cairo_paint(context);
    headless::openedWindowEvents()->windowExposed(context, CRectangle{0, 0, size.h, size.v});
    cairo_destroy(context);
    cairo_surface_flush(window);

    CFrame* frame = editor.getFrame();
    for (int32_t i = 0; i < frame->childCount(); ++i) {
        CRectangle bounds;
        if (frame->childAt(i)->isKindOf("CParamDisplay"))
            textBoxes.push_back(CScale{percent}.toDevice(frame->childAt(i)->getBounds(bounds)));
    }
    editor.onEditClose();
    return window;
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
        std::vector<CRectangle> textBoxes;
        cairo_surface_t* painted = paintEditor(c.percent, textBoxes);
        ASSERT_NE(painted, nullptr) << c.name;
        ASSERT_EQ(textBoxes.size(), 3u);
        // Kept in the build tree, to be looked at.
        cairo_surface_write_to_png(
            painted, (std::string(TOVREL_PICTURE_FOLDER) + "/" + c.name + "-linux.png").c_str());
        cairo_surface_t* reference = cairo_image_surface_create_from_png(
            (std::string(TOVREL_DOCS_FOLDER) + "/" + c.name + ".png").c_str());
        ASSERT_EQ(cairo_surface_status(reference), CAIRO_STATUS_SUCCESS) << c.name;
        const int32_t width = cairo_image_surface_get_width(painted);
        const int32_t height = cairo_image_surface_get_height(painted);
        EXPECT_EQ(width, cairo_image_surface_get_width(reference)) << c.name;
        EXPECT_EQ(height, cairo_image_surface_get_height(reference)) << c.name;

        int differing = 0;
        int reported = 0;
        for (int32_t y = 0; y < std::min(height, cairo_image_surface_get_height(reference)); ++y) {
            for (int32_t x = 0; x < std::min(width, cairo_image_surface_get_width(reference)); ++x) {
                const uint32_t ours = pixelOf(painted, x, y);
                const uint32_t theirs = pixelOf(reference, x, y);
                if (ours == theirs)
                    continue;
                ++differing;
                bool inText = false;
                for (const CRectangle& box : textBoxes)
                    inText = inText || (x >= box.left && x < box.right && y >= box.top && y < box.bottom);
                if (channelDifference(ours, theirs) > (inText ? c.textTolerance : 0) && reported++ < 10)
                    ADD_FAILURE() << c.name << " (" << x << ", " << y << "): " << std::hex << ours << " not "
                                  << theirs;
            }
        }
        EXPECT_EQ(reported, 0) << c.name << ": pixels beyond the tolerance";
        std::printf("%s: %d of %d pixels differ (allowed inside the texts: %d per channel)\n", c.name,
                    differing, width * height, c.textTolerance);
        cairo_surface_destroy(reference);
        cairo_surface_destroy(painted);
    }
}

} // namespace
} // namespace tovrel
