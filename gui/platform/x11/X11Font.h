#pragma once

#include "gui/platform/PlatformPainter.h"

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

namespace tovrel {

// One font as the painter draws it: a face fontconfig finds for the request, rendered by FreeType
// one glyph at a time at an em of the request's pixel height (a GDI font asked for with a
// negative height). As GDI does, it follows the face's own table of sizes: at the sizes the face
// says to smooth, glyphs come in grey levels; at the others as whole pixels, on or off. Cell, ascent and
// underline follow GDI's text metrics for the face: ascent and descent are the face's Windows ascent and
// descent scaled and rounded, so the baseline lands where GDI puts it. Faces are found and opened once per
// process and shared; every use of a face holds one lock, so painters on several threads may draw.
class X11Font {
public:
    // The font for `request`: the editor's face (Arial, else Liberation Sans, else fontconfig's
    // choice for the requested family) in the requested weight and slant; for a symbol font
    // whatever face fontconfig gives for the requested family. Null when no face can be opened.
    static std::shared_ptr<const X11Font> find(const PlatformFont& request);

    ~X11Font();
    X11Font(const X11Font&) = delete;
    X11Font& operator=(const X11Font&) = delete;

    // The cell: ascent above the baseline, descent below it, both in whole pixels.
    int32_t ascent() const { return cellAscent; }
    int32_t descent() const { return cellDescent; }
    int32_t cellHeight() const { return cellAscent + cellDescent; }
    // The family of the face actually used, for logs and tests.
    const std::string& family() const { return faceFamily; }

    // The advance of one line of text (ANSI bytes, taken as Latin-1), in whole pixels.
    int32_t textWidth(const char* text) const;
    // Whether glyphs come in grey levels at this size.
    bool isSmoothed() const { return smoothed; }

    // Draws `text` in the context's current source, which is `colour`, with its pen position at
    // (`x`, `baseline`), underlined if the font is.
    void drawText(cairo_t* context, const char* text, int32_t x, int32_t baseline, const CRgba& colour) const;

    // An opened FreeType face, shared by every font of that face (defined in X11Font.cpp).
    struct Face;

private:
    X11Font(std::shared_ptr<Face> face, int32_t pixelHeight, bool underline);

    std::shared_ptr<Face> face;
    int32_t pixelHeight{0};
    bool underlined{false};
    bool smoothed{false};
    int32_t cellAscent{0};
    int32_t cellDescent{0};
    int32_t underlineTop{0};    // below the baseline
    int32_t underlineHeight{1}; // at least one pixel
    std::string faceFamily;
};

} // namespace tovrel
