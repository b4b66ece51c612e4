#pragma once

#include "gui/CRectangle.h"
#include "gui/CRefCounted.h"
#include "gui/CRgba.h"
#include "gui/CScale.h"

#include <windows.h>

#include <cstdint>

namespace tovrel {

class CFrameServices;

// Mouse buttons and modifier keys held, as one bit set. Input handlers take -1 for "not read
// yet"; the receiver then asks `currentButtons`.
enum : int32_t {
    kMouseLeft = 1,
    kMouseMiddle = 2,
    kMouseRight = 4,
    kKeyShift = 8,
    kKeyControl = 16,
    kKeyAlt = 32,
};

// The buttons and modifiers held at this moment; the left and right bits follow the user's
// swapped-buttons setting.
int32_t currentButtons();

enum : int32_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };
enum : int32_t { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

struct CFontEntry {
    const char* face;
    int32_t height; // character height in pixels
};

// The editor's fonts by number. Font 0 is the system font and always bold; font 7 is the symbol
// font.
inline constexpr int32_t kFontCount = 8;
inline constexpr CFontEntry kFontTable[kFontCount] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

// Draws into one GDI device context for the length of one paint or one input event. It owns the
// pen, brush and font it makes, remakes them only when a setting really changes, and adds
// `offset` to every coordinate, so that a view draws in its own coordinates while its containers
// move the offset. Views draw in view coordinates; the context converts them to the device's
// pixels at the frame's scale, so that every edge lands on a whole device pixel.
class CPaintContext : public CRefCounted {
public:
    // Without a device but with a window, the context borrows the window's device context and
    // gives it back when destroyed.
    CPaintContext(CFrameServices* frame, HDC device, HWND window);
    ~CPaintContext() override;

    void setStrokeColor(const CRgba& colour);
    void setStrokeStyle(int32_t style);
    void setStrokeWidth(int32_t width);
    void setFillColor(const CRgba& colour);
    void setTextColor(const CRgba& colour);
    void selectFont(int32_t number, int32_t style);
    void setClipArea(const CRectangle& area);

    void outlineArea(const CRectangle& area);
    void fillArea(const CRectangle& area);
    void drawText(const char* text, const CRectangle& area, int16_t opaque, int32_t alignment);
    // Two or more connected one-pixel lines through `points` (the last point left out, as GDI
    // draws lines), in drawing coordinates. At a scale other than 100 % only horizontal and
    // vertical lines are drawn, as bands one view pixel wide.
    void drawLines(const CPos* points, int32_t count);
    // Copies a region of `source` leaving out every pixel of `keyColour` (a GDI colour): the
    // region of `sourceSize` from `sourceCorner`, in the source's pixels, becomes `deviceSize`
    // device pixels from the device corner of `area`.
    void blitKeyed(const CRectangle& area, const CPos& sourceCorner, const CPos& sourceSize,
                   const CPos& deviceSize, HDC source, COLORREF keyColour);

    // Views, containers and the frame shift these directly while they pass the context down.
    CPos& getWindowOrigin() { return windowOrigin; }
    CPos& getOffset() { return offset; }
    HDC getDevice() const { return device; }
    CFrameServices* getFrame() const { return frame; }

    // Device pixels. A context for a window shows the window's view coordinates from (0, 0); a
    // back buffer shows the part of a window from `bufferOrigin`, so that what it holds lines up
    // with the window pixel for pixel when it is copied there.
    const CScale& getScale() const { return scale; }
    const CPos& getBufferOrigin() const { return bufferOrigin; }
    // The device rectangle of an area in drawing coordinates (the offset added).
    RECT deviceArea(const CRectangle& area) const;
    // The device point of a point in drawing coordinates.
    CPos devicePoint(CPos where) const;
    // A screen point (device pixels) in drawing coordinates: the view pixel under it.
    CPos viewPointFromScreen(CPos screen) const;

    // The clip last applied, in device coordinates and in drawing coordinates (minus `offset`).
    const CRectangle& getClipArea() const { return clipArea; }
    CRectangle clipInDrawingCoordinates() const {
        CRectangle clip = clipArea;
        return clip.offset(-offset.h, -offset.v);
    }

    const CRgba& getStrokeColor() const { return strokeColor; }
    const CRgba& getFillColor() const { return fillColor; }
    const CRgba& getTextColor() const { return textColor; }
    int32_t getStrokeWidth() const { return strokeWidth; }
    int32_t getStrokeStyle() const { return strokeStyle; }
    int32_t getDrawMode() const { return drawMode; }
    int32_t getFontNumber() const { return fontNumber; }
    int32_t getFontSize() const { return fontSize; }
    int32_t getFontStyle() const { return fontStyle; }

protected:
    void replacePen();
    // Puts back what the device held before this context selected its brush, pen and font.
    void restoreSelections();

    CPos windowOrigin; // the window's screen corner in device pixels, plus the containers' offsets
    CPos offset;
    CPos windowCorner; // the window's screen corner in device pixels
    CScale scale;
    CPos bufferOrigin;
    HDC device{nullptr};
    HWND window{nullptr};           // an offscreen buffer keeps its bitmap in its own field instead
    CFrameServices* frame{nullptr}; // not owned
    int32_t fontSize{-1};
    int32_t fontStyle{0};
    int32_t fontNumber{kFontCount}; // no font yet
    CRgba textColor;
    int32_t strokeWidth{0};
    CRgba strokeColor;
    CRgba fillColor;
    int32_t strokeStyle{1};
    int32_t drawMode{3};
    CRectangle clipArea;
    HBRUSH brush{nullptr};
    HPEN pen{nullptr};
    HFONT font{nullptr};
    HGDIOBJ savedBrush{nullptr};
    HGDIOBJ savedPen{nullptr};
    HGDIOBJ savedFont{nullptr};
    int32_t penStyle{PS_SOLID};
    HDC ownedDevice{nullptr};
};

} // namespace tovrel
