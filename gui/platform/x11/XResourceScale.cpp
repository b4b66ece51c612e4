#include "gui/platform/x11/XResourceScale.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

namespace tovrel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A whole or decimal number filling [begin, end) apart from blanks around it, rounded half up,
// in dots per inch; 0 when it is anything else or out of range.
int32_t parseDotsPerInch(const char* begin, const char* end) {
    constexpr int64_t kMostDotsPerInch = 2400;
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    int64_t whole = 0;
    const char* p = begin;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        whole = whole * 10 + (*p - '0');
        if (whole > kMostDotsPerInch)
            return 0;
    }
    if (p == begin)
        return 0;
    bool roundUp = false;
    if (p < end && *p == '.') {
        ++p;
        roundUp = p < end && *p >= '5' && *p <= '9';
        while (p < end && *p >= '0' && *p <= '9')
            ++p;
    }
    if (p != end)
        return 0;
    const int64_t rounded = whole + (roundUp ? 1 : 0);
    return rounded > 0 && rounded <= kMostDotsPerInch ? static_cast<int32_t>(rounded) : 0;
}

} // namespace

int32_t xftDotsPerInch(const char* resources) {
    if (resources == nullptr)
        return 0;
    int32_t found = 0;
    const char* line = resources;
    while (*line != '\0') {
        const char* end = std::strchr(line, '\n');
        if (end == nullptr)
            end = line + std::strlen(line);
        const char* p = line;
        while (p < end && isBlank(*p))
            ++p;
        // "Xft.dpi" with a tight or loose binding, then optional blanks and the colon.
        if (end - p >= 7 && std::strncmp(p, "Xft", 3) == 0 && (p[3] == '.' || p[3] == '*') &&
            std::strncmp(p + 4, "dpi", 3) == 0) {
            const char* colon = p + 7;
            while (colon < end && isBlank(*colon))
                ++colon;
            if (colon < end && *colon == ':') {
                // A later entry replaces an earlier one, even when it is unreadable.
                found = parseDotsPerInch(colon + 1, end);
            }
        }
        line = *end == '\n' ? end + 1 : end;
    }
    return found;
}

CScale screenScaleFromResources(const char* resources) {
    const int32_t dotsPerInch = xftDotsPerInch(resources);
    return dotsPerInch > 0 ? CScale::fromDotsPerInch(dotsPerInch) : CScale{};
}

CScale screenScaleOf(Display* display) {
    if (display == nullptr)
        return CScale{};
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* value = nullptr;
    // The whole property (its length is counted in 32-bit units); a string is 8-bit data.
    const int status =
        XGetWindowProperty(display, XDefaultRootWindow(display), XA_RESOURCE_MANAGER, 0, 1 << 20, False,
                           XA_STRING, &type, &format, &items, &remaining, &value);
    CScale scale;
    if (status == Success && value != nullptr && type == XA_STRING && format == 8)
        scale = screenScaleFromResources(reinterpret_cast<const char*>(value));
    if (value != nullptr)
        XFree(value);
    return scale;
}

} // namespace tovrel
