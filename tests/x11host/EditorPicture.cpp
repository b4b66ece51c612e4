#include "tests/x11host/EditorPicture.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Last: Xlib's macros (None, Bool, Status...) would rename GoogleTest's own identifiers.
#include <X11/Xlib.h>

namespace tovrel {

namespace {

// Cairo's font caches and fontconfig's configuration, which the editor's text fills and the
// plug-in never ends (a host's other plug-ins may share them), ended at the program's end: the
// sanitizer build's leak checker then sees only what the editor itself leaves.
class FontCachesEnd : public ::testing::Environment {
public:
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
[[maybe_unused]] ::testing::Environment* const fontCachesEnd =
    ::testing::AddGlobalTestEnvironment(new FontCachesEnd);

} // namespace

std::vector<uint32_t> windowArea(X11EditorHost& host, const Box& box) {
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> part;
    if (!host.capture(pixels))
        return part;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            part.push_back(pixels[static_cast<size_t>(y * host.width() + x)]);
    return part;
}

::testing::AssertionResult showsWindowsPicture(X11EditorHost& host, const std::string& path, int scale) {
    cairo_surface_t* windows = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(windows) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(windows);
        return ::testing::AssertionFailure() << "cannot read " << path;
    }
    const int width = cairo_image_surface_get_width(windows);
    const int height = cairo_image_surface_get_height(windows);
    std::vector<uint32_t> pixels;
    if (!host.capture(pixels) || width != host.width() || height != host.height()) {
        cairo_surface_destroy(windows);
        return ::testing::AssertionFailure() << path << " is " << width << " x " << height << ", the window "
                                             << host.width() << " x " << host.height();
    }
    int inText = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(windows) +
                                                            y * cairo_image_surface_get_stride(windows));
        for (int x = 0; x < width; ++x) {
            const uint32_t want = row[x] & 0xFFFFFF;
            const uint32_t shown = pixels[static_cast<size_t>(y * width + x)];
            bool text = false;
            for (int index = 0; index < 3; ++index)
                text = text || displayBox(index).contains(x / scale, y / scale);
            int largest = 0;
            for (int shift = 0; shift <= 16; shift += 8)
                largest = std::max(largest, std::abs(static_cast<int>(want >> shift & 0xFF) -
                                                     static_cast<int>(shown >> shift & 0xFF)));
            inText += text && largest != 0;
            if (largest > (text ? 1 : 0)) {
                cairo_surface_destroy(windows);
                return ::testing::AssertionFailure() << path << " differs at " << x << "," << y;
            }
        }
    }
    cairo_surface_destroy(windows);
    std::printf("%s: %d pixels of the value displays one step off, none elsewhere\n", path.c_str(), inText);
    return ::testing::AssertionSuccess();
}

} // namespace tovrel
