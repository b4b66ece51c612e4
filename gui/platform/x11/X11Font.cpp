#include "gui/platform/x11/X11Font.h"

#include "gui/platform/x11/FontFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GASP_H
#include FT_TRUETYPE_TABLES_H

#include <map>
#include <mutex>
#include <tuple>

namespace tovrel {

struct X11Font::Face {
    FT_Face handle{nullptr};
    std::string family;
    ~Face() {
        if (handle)
            FT_Done_Face(handle);
    }
};

namespace {

// FreeType's faces are not safe to share between threads: every use of one takes this lock.
std::mutex& fontLock() {
    static std::mutex lock;
    return lock;
}

// Opened once for the process and never closed: the faces opened from it live as long.
FT_Library library() {
    static FT_Library opened = [] {
        FT_Library made = nullptr;
        return FT_Init_FreeType(&made) == 0 ? made : nullptr;
    }();
    return opened;
}

int32_t scaledRounded(int64_t fontUnits, int32_t pixels, int64_t unitsPerEm) {
    if (unitsPerEm <= 0)
        return 0;
    const int64_t scaled = fontUnits * pixels;
    const int64_t half = unitsPerEm / 2;
    return static_cast<int32_t>(scaled >= 0 ? (scaled + half) / unitsPerEm
                                            : -((-scaled + half) / unitsPerEm));
}

// The family to ask fontconfig for: the editor's face for text (the one with Arial's widths),
// the requested family itself for a symbol font or when neither Arial nor its twin is installed.
std::string familyFor(const PlatformFont& request) {
    const char* asked = request.face ? request.face : "sans-serif";
    if (request.symbol)
        return asked;
    static const FontFace editorFace = findEditorFontFace();
    return editorFace.isFound() ? editorFace.family : asked;
}

// Opens the face fontconfig picks for the family, weight and slant; null when none opens.
std::shared_ptr<X11Font::Face> openFace(const std::string& family, bool bold, bool italic) {
    if (!FcInit() || !library())
        return nullptr;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return nullptr;
    std::shared_ptr<X11Font::Face> face;
    FcChar8* file = nullptr;
    FcChar8* found = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FT_Face handle = nullptr;
        if (FT_New_Face(library(), reinterpret_cast<const char*>(file), index, &handle) == 0) {
            face = std::make_shared<X11Font::Face>();
            face->handle = handle;
            if (FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch)
                face->family = reinterpret_cast<const char*>(found);
            // A symbol face may map its letters only through the symbol table, as GDI reads it.
            if (!handle->charmap)
                FT_Select_Charmap(handle, FT_ENCODING_MS_SYMBOL);
        }
    }
    FcPatternDestroy(match);
    return face;
}

// The glyph of one ANSI byte: its Latin-1 code point, else in a symbol font its symbol code.
FT_UInt glyphOf(FT_Face face, unsigned char character) {
    FT_UInt glyph = FT_Get_Char_Index(face, character);
    if (glyph == 0 && face->charmap && face->charmap->encoding == FT_ENCODING_MS_SYMBOL)
        glyph = FT_Get_Char_Index(face, 0xF000u + character);
    return glyph;
}

// A font smoothed at its size is hinted vertically only and rendered in grey levels; otherwise
// it is hinted in both directions, stems and advances on whole pixels, and rendered in one bit,
// as GDI draws text the face's own table says not to smooth.
FT_Int32 loadFlags(bool smoothed) {
    return smoothed ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
}

// Loads and renders one glyph at the face's current size; false when the face has no outline
// for it.
bool renderGlyph(FT_Face face, FT_UInt glyph, bool smoothed) {
    return FT_Load_Glyph(face, glyph, loadFlags(smoothed)) == 0 &&
           FT_Render_Glyph(face->glyph, smoothed ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) == 0;
}

// Smoothed text in 17 coverage levels, each drawn with the opacity this ramp gives it: light
// text on a dark ground keeps its full brightness at little coverage, as GDI's smoothed text
// does; dark text on a light ground takes the mirrored ramp. The faintest level is left out.
constexpr uint8_t kCoverageRamp[17] = {0x00, 0x4d, 0x68, 0x7c, 0x8c, 0x9a, 0xa7, 0xb2, 0xbd,
                                       0xc7, 0xd0, 0xd9, 0xe1, 0xe9, 0xf0, 0xf8, 0xff};

uint8_t opacityOf(uint8_t coverage, bool lightText) {
    const int level = (coverage * 17) >> 8;
    if (level <= 1)
        return 0;
    return lightText ? kCoverageRamp[level] : static_cast<uint8_t>(0xFF - kCoverageRamp[16 - level]);
}

// Paints a rendered glyph with its top left corner at (`x`, `y`) in the context's source, as a
// mask in an image Cairo owns (a device may hold on to a mask after the call). A one-bit glyph
// covers whole pixels, fully or not at all.
void drawGlyphBitmap(cairo_t* context, const FT_Bitmap& bitmap, int32_t x, int32_t y, bool lightText) {
    const int width = static_cast<int>(bitmap.width);
    const int rows = static_cast<int>(bitmap.rows);
    const bool oneBit = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (width <= 0 || rows <= 0 || (!oneBit && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY))
        return;
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, rows);
    if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(mask);
        unsigned char* coverage = cairo_image_surface_get_data(mask);
        const int stride = cairo_image_surface_get_stride(mask);
        for (int row = 0; row < rows; ++row) {
            const unsigned char* bits = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
            unsigned char* line = coverage + static_cast<ptrdiff_t>(row) * stride;
            for (int column = 0; column < width; ++column) {
                if (oneBit)
                    line[column] = (bits[column >> 3] & (0x80 >> (column & 7))) ? 0xFF : 0;
                else
                    line[column] = opacityOf(bits[column], lightText);
            }
        }
        cairo_surface_mark_dirty(mask);
        cairo_mask_surface(context, mask, x, y);
    }
    cairo_surface_destroy(mask);
}

} // namespace

std::shared_ptr<const X11Font> X11Font::find(const PlatformFont& request) {
    if (request.pixelHeight <= 0)
        return nullptr;
    const std::string family = familyFor(request);
    std::shared_ptr<Face> face;
    {
        const std::lock_guard<std::mutex> hold(fontLock());
        // Faces found stay open for the process: a painter lives for one paint, and the editor
        // asks for the same few fonts on every paint.
        static std::map<std::tuple<std::string, bool, bool>, std::shared_ptr<Face>> opened;
        const auto key = std::make_tuple(family, request.bold, request.italic);
        const auto known = opened.find(key);
        if (known != opened.end())
            face = known->second;
        else {
            face = openFace(family, request.bold, request.italic);
            opened.emplace(key, face);
        }
        if (!face)
            return nullptr;
    }
    return std::shared_ptr<const X11Font>(new X11Font(face, request.pixelHeight, request.underline));
}

X11Font::X11Font(std::shared_ptr<Face> openedFace, int32_t height, bool underline)
    : face(std::move(openedFace)), pixelHeight(height), underlined(underline), faceFamily(face->family) {
    const std::lock_guard<std::mutex> hold(fontLock());
    FT_Face handle = face->handle;
    const int64_t unitsPerEm = handle->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(handle, FT_SFNT_OS2));
    // GDI's cell is the Windows ascent and descent of the face; without them, the face's own.
    if (os2 && os2->version != 0xFFFFu && os2->usWinAscent + os2->usWinDescent > 0) {
        cellAscent = scaledRounded(os2->usWinAscent, pixelHeight, unitsPerEm);
        cellDescent = scaledRounded(os2->usWinDescent, pixelHeight, unitsPerEm);
    } else {
        cellAscent = scaledRounded(handle->ascender, pixelHeight, unitsPerEm);
        cellDescent = -scaledRounded(handle->descender, pixelHeight, unitsPerEm);
    }
    // The face's table of sizes says which to smooth; a face without one is smoothed throughout.
    const FT_Int gasp = FT_Get_Gasp(handle, static_cast<FT_UInt>(pixelHeight));
    smoothed = gasp == FT_GASP_NO_TABLE || (gasp & FT_GASP_DO_GRAY) != 0;
    const int32_t thickness = scaledRounded(handle->underline_thickness, pixelHeight, unitsPerEm);
    underlineHeight = thickness > 0 ? thickness : 1;
    underlineTop = -scaledRounded(handle->underline_position, pixelHeight, unitsPerEm) - underlineHeight / 2;
}

X11Font::~X11Font() = default;

int32_t X11Font::textWidth(const char* text) const {
    if (!text)
        return 0;
    const std::lock_guard<std::mutex> hold(fontLock());
    FT_Face handle = face->handle;
    if (FT_Set_Pixel_Sizes(handle, 0, static_cast<FT_UInt>(pixelHeight)) != 0)
        return 0;
    int32_t width = 0;
    for (const char* at = text; *at; ++at) {
        if (FT_Load_Glyph(handle, glyphOf(handle, static_cast<unsigned char>(*at)), loadFlags(smoothed)) == 0)
            width += static_cast<int32_t>((handle->glyph->advance.x + 32) >> 6);
    }
    return width;
}

void X11Font::drawText(cairo_t* context, const char* text, int32_t x, int32_t baseline,
                       const CRgba& colour) const {
    if (!text || !context)
        return;
    const bool lightText = colour.red + colour.green + colour.blue > 3 * 127;
    int32_t pen = x;
    {
        const std::lock_guard<std::mutex> hold(fontLock());
        FT_Face handle = face->handle;
        if (FT_Set_Pixel_Sizes(handle, 0, static_cast<FT_UInt>(pixelHeight)) != 0)
            return;
        for (const char* at = text; *at; ++at) {
            if (!renderGlyph(handle, glyphOf(handle, static_cast<unsigned char>(*at)), smoothed))
                continue;
            const FT_GlyphSlot slot = handle->glyph;
            drawGlyphBitmap(context, slot->bitmap, pen + slot->bitmap_left, baseline - slot->bitmap_top,
                            lightText);
            pen += static_cast<int32_t>((slot->advance.x + 32) >> 6);
        }
    }
    if (underlined && pen > x) {
        cairo_rectangle(context, x, baseline + underlineTop, pen - x, underlineHeight);
        cairo_fill(context);
    }
}

} // namespace tovrel
