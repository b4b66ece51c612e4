// Popup menus under X11: a small window of the editor's own connection, above everything
// (override-redirect), drawn with Cairo. It holds the pointer and the keyboard while it is open
// and runs on the editor's thread until the user chooses, clicks elsewhere or presses Escape.
// Meanwhile it goes on giving the editor its idle work, as a host's idle timer goes on under a
// modal menu under Windows: what the host automates shows under the open menu.
#include "gui/platform/PlatformMenu.h"
#include "gui/platform/x11/X11Connection.h"
#include "gui/platform/x11/X11Window.h"
#include "gui/platform/x11/XResourceScale.h"

#include <cairo-xlib.h>
#include <cairo.h>
#include <poll.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tovrel {

namespace {

// Sizes at 100 %, in pixels.
constexpr int32_t kItemHeight = 22;
constexpr int32_t kSeparatorHeight = 9;
constexpr int32_t kTextLeft = 26;
constexpr int32_t kTextRight = 16;
constexpr double kFontSize = 13.0;
constexpr int32_t kGrabTries = 20;

struct MenuLayout {
    std::vector<int32_t> tops; // each item's top, plus the bottom of the last
    int32_t width{0};
    int32_t scale{100};
    int32_t px(int32_t value) const { return value * scale / 100; }
};

MenuLayout layOut(Display* display, const PlatformMenuItem* items, int32_t count, int32_t percent) {
    MenuLayout layout;
    layout.scale = percent;
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* context = cairo_create(scratch);
    cairo_select_font_face(context, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(context, kFontSize * percent / 100.0);
    int32_t top = 1;
    int32_t widest = 0;
    for (int32_t i = 0; i < count; ++i) {
        layout.tops.push_back(top);
        if (items[i].text) {
            cairo_text_extents_t extents{};
            cairo_text_extents(context, items[i].text, &extents);
            widest = std::max(widest, static_cast<int32_t>(extents.x_advance + 0.5));
            top += layout.px(kItemHeight);
        } else {
            top += layout.px(kSeparatorHeight);
        }
    }
    layout.tops.push_back(top);
    layout.width = widest + layout.px(kTextLeft + kTextRight);
    cairo_destroy(context);
    cairo_surface_destroy(scratch);
    (void)display;
    return layout;
}

int32_t itemAt(const MenuLayout& layout, const PlatformMenuItem* items, int32_t count, int x, int y) {
    if (x < 0 || x >= layout.width)
        return -1;
    for (int32_t i = 0; i < count; ++i)
        if (y >= layout.tops[static_cast<size_t>(i)] && y < layout.tops[static_cast<size_t>(i) + 1])
            return items[i].text ? i : -1;
    return -1;
}

void drawMenu(Display* display, Window window, const MenuLayout& layout, const PlatformMenuItem* items,
              int32_t count, int32_t highlighted) {
    // Drawn in memory and then copied to the window in one piece: no partly drawn menu shows, and
    // the text goes through Cairo's image drawing, which keeps no glyphs on the X server.
    const double height = layout.tops.back() + 1;
    cairo_surface_t* picture =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.width, static_cast<int>(height));
    cairo_t* context = cairo_create(picture);
    cairo_set_source_rgb(context, 0.96, 0.96, 0.96);
    cairo_paint(context);
    cairo_set_source_rgb(context, 0.55, 0.55, 0.55);
    cairo_set_line_width(context, 1.0);
    cairo_rectangle(context, 0.5, 0.5, layout.width - 1.0, height - 1.0);
    cairo_stroke(context);
    cairo_select_font_face(context, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(context, kFontSize * layout.scale / 100.0);
    for (int32_t i = 0; i < count; ++i) {
        const double top = layout.tops[static_cast<size_t>(i)];
        const double bottom = layout.tops[static_cast<size_t>(i) + 1];
        if (!items[i].text) {
            cairo_set_source_rgb(context, 0.75, 0.75, 0.75);
            cairo_move_to(context, 4.0, (top + bottom) / 2.0 + 0.5);
            cairo_line_to(context, layout.width - 4.0, (top + bottom) / 2.0 + 0.5);
            cairo_stroke(context);
            continue;
        }
        if (i == highlighted) {
            cairo_set_source_rgb(context, 0.20, 0.40, 0.75);
            cairo_rectangle(context, 1.0, top, layout.width - 2.0, bottom - top);
            cairo_fill(context);
        }
        const double shade = i == highlighted ? 1.0 : 0.0;
        cairo_set_source_rgb(context, shade, shade, shade);
        cairo_font_extents_t font{};
        cairo_font_extents(context, &font);
        const double baseline = (top + bottom) / 2.0 + (font.ascent - font.descent) / 2.0;
        if (items[i].checked) {
            // A tick before the text.
            const double unit = layout.px(kItemHeight) / 22.0;
            cairo_move_to(context, 8.0 * unit, baseline - 4.0 * unit);
            cairo_line_to(context, 11.0 * unit, baseline - 1.0 * unit);
            cairo_line_to(context, 17.0 * unit, baseline - 9.0 * unit);
            cairo_set_line_width(context, 1.6 * unit);
            cairo_stroke(context);
            cairo_set_line_width(context, 1.0);
        }
        cairo_move_to(context, layout.px(kTextLeft), baseline);
        cairo_show_text(context, items[i].text);
    }
    cairo_destroy(context);
    if (cairo_surface_t* surface = makeWindowSurface(display, window)) {
        cairo_t* copy = cairo_create(surface);
        cairo_set_source_surface(copy, picture, 0, 0);
        cairo_paint(copy);
        cairo_destroy(copy);
        cairo_surface_flush(surface);
        cairo_surface_destroy(surface);
    }
    cairo_surface_destroy(picture);
    XFlush(display);
}

bool grab(Display* display, Window window) {
    // The pointer or keyboard may still be held for a moment by someone else (a button of the
    // click that asked for the menu): each is asked again until it is the menu's.
    bool pointer = false;
    bool keyboard = false;
    for (int32_t attempt = 0; attempt < kGrabTries && !(pointer && keyboard); ++attempt) {
        if (attempt > 0)
            poll(nullptr, 0, 10);
        if (!pointer)
            pointer =
                XGrabPointer(display, window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                             GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
        if (!keyboard)
            keyboard = XGrabKeyboard(display, window, False, GrabModeAsync, GrabModeAsync, CurrentTime) ==
                       GrabSuccess;
    }
    return pointer;
}

int32_t nextItem(const PlatformMenuItem* items, int32_t count, int32_t from, int32_t step) {
    for (int32_t n = 0, i = from; n < count; ++n) {
        i = (i + step + count) % count;
        if (items[i].text)
            return i;
    }
    return from;
}

} // namespace

int32_t popupMenu(NativeWindow, CPos screenPoint, const PlatformMenuItem* items, int32_t count) {
    X11EventLoop* loop = threadEventLoop();
    if (!loop || !loop->display || count <= 0)
        return 0;
    Display* display = loop->display;
    const MenuLayout layout = layOut(display, items, count, screenScaleOf(display).getPercent());
    const int32_t height = layout.tops.back() + 1;
    // Inside the screen, as far as it fits.
    const int screen = DefaultScreen(display);
    int32_t left = std::min(screenPoint.h, DisplayWidth(display, screen) - layout.width);
    int32_t top = std::min(screenPoint.v, DisplayHeight(display, screen) - height);
    left = std::max(left, 0);
    top = std::max(top, 0);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask =
        ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    const Window window =
        XCreateWindow(display, DefaultRootWindow(display), left, top, static_cast<unsigned int>(layout.width),
                      static_cast<unsigned int>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(display, window);
    XFlush(display);
    int32_t highlighted = -1;
    int32_t chosen = 0;
    bool open = grab(display, window);
    const long mask = attributes.event_mask;
    const int connection = ConnectionNumber(display);
    using Clock = std::chrono::steady_clock;
    const Clock::duration idleEvery = std::chrono::milliseconds(loop->idleInterval);
    Clock::time_point nextIdle = Clock::now() + idleEvery;
    while (open && !loop->stopping.load(std::memory_order_acquire)) {
        const Clock::time_point now = Clock::now();
        if (now >= nextIdle) {
            nextIdle = now + idleEvery;
            // The frame's own events stay queued until the menu returns (it is being delivered).
            if (loop->events)
                loop->events->windowIdle();
            continue;
        }
        XEvent event;
        if (!XCheckWindowEvent(display, window, mask, &event)) {
            pollfd waits[2] = {{connection, POLLIN, 0}, {loop->wakeFd, POLLIN, 0}};
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextIdle - now).count();
            poll(waits, 2, static_cast<int>(wait) + 1);
            if (waits[1].revents & POLLIN) {
                uint64_t wakes = 0;
                [[maybe_unused]] const ssize_t drained = read(loop->wakeFd, &wakes, sizeof(wakes));
            }
            continue;
        }
        int32_t next = highlighted;
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0)
                drawMenu(display, window, layout, items, count, highlighted);
            break;
        case MotionNotify:
            next = itemAt(layout, items, count, event.xmotion.x, event.xmotion.y);
            break;
        case ButtonPress:
            // A click outside dismisses the menu; one inside chooses when the button goes up.
            if (event.xbutton.x < 0 || event.xbutton.y < 0 || event.xbutton.x >= layout.width ||
                event.xbutton.y >= height)
                open = false;
            break;
        case ButtonRelease: {
            const int32_t item = itemAt(layout, items, count, event.xbutton.x, event.xbutton.y);
            if (item >= 0) {
                chosen = items[item].command;
                open = false;
            }
            break;
        }
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_Escape) {
                open = false;
            } else if (key == XK_Down || key == XK_Up) {
                next =
                    nextItem(items, count, highlighted < 0 ? (key == XK_Down ? count - 1 : 0) : highlighted,
                             key == XK_Down ? 1 : -1);
            } else if ((key == XK_Return || key == XK_KP_Enter) && highlighted >= 0) {
                chosen = items[highlighted].command;
                open = false;
            }
            break;
        }
        default:
            break;
        }
        if (open && next != highlighted) {
            highlighted = next;
            drawMenu(display, window, layout, items, count, highlighted);
        }
    }
    XUngrabKeyboard(display, CurrentTime);
    XUngrabPointer(display, CurrentTime);
    XDestroyWindow(display, window);
    XFlush(display);
    return chosen;
}

} // namespace tovrel
