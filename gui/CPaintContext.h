#pragma once

#include "gui/CRectangle.h"
#include "gui/CRefCounted.h"
#include "gui/CRgba.h"
#include "gui/CScale.h"
#include "gui/platform/PlatformPainter.h"
#include "gui/platform/PlatformSystem.h"

#include <cstdint>
#include <memory>

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

// `currentButtons` (gui/platform/PlatformSystem.h) answers the buttons and modifiers held now.

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

// Draws on one device of the platform for the length of one paint or one input event. It tells
// its painter the pen, fill and font only when a setting really changes, and adds `offset` to
// every coordinate, so that a view draws in its own coordinates while its containers
// move the offset. Views draw in view coordinates; the context converts them to the device's
// pixels at the frame's scale, so that every edge lands on a whole device pixel.
class CPaintContext : public CRefCounted {
public:
    // Without a device but with a window, the context borrows the window's device and gives it
    // back when destroyed.
    CPaintContext(CFrameServices* frame, NativeDevice device, NativeWindow window);
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
    // Two or more connected one-pixel lines through `points` (the last point left out), in
    // drawing coordinates. At a scale other than 100 % only horizontal and vertical lines are
    // drawn, as bands one view pixel wide.
    void drawLines(const CPos* points, int32_t count);

    // Views, containers and the frame shift these directly while they pass the context down.
    CPos& getWindowOrigin() { return windowOrigin; }
    CPos& getOffset() { return offset; }
    NativeDevice getDevice() const { return painter->nativeDevice(); }
    PlatformPainter& getPainter() const { return *painter; }
    CFrameServices* getFrame() const { return frame; }

    // Device pixels. A context for a window shows the window's view coordinates from (0, 0); a
    // back buffer shows the part of a window from `bufferOrigin`, so that what it holds lines up
    // with the window pixel for pixel when it is copied there.
    const CScale& getScale() const { return scale; }
    const CPos& getBufferOrigin() const { return bufferOrigin; }
    // The device rectangle of an area in drawing coordinates (the offset added).
    CRectangle deviceArea(const CRectangle& area) const;
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
    // A context on a back buffer of `size` view pixels standing for `windowPlace` of the frame's
    // window: the buffer's painter is made at the frame's scale.
    CPaintContext(CFrameServices* frame, CPos size, CPos windowPlace);

    void replacePen();

    CPos windowOrigin; // the window's screen corner in device pixels, plus the containers' offsets
    CPos offset;
    CPos windowCorner; // the window's screen corner in device pixels
    CScale scale;
    CPos bufferOrigin;
    NativeWindow window{};          // none for a back buffer
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
    std::unique_ptr<PlatformPainter> painter; // never null

private:
    // The frame's clip and scale, and the first pen, fill, text colour and font.
    void takeFrameSettings();
    void applyFirstSettings();
};

} // namespace tovrel
