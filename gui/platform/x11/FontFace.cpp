#include "gui/platform/x11/FontFace.h"

#include <fontconfig/fontconfig.h>

#include <strings.h>

namespace tovrel {

namespace {

// The face fontconfig picks for `family`, when the font it picks really has that family (its
// substitution rules always pick something).
FontFace matchExactly(const std::string& family) {
    FontFace face;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return face;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* found = nullptr;
        FcChar8* file = nullptr;
        // A font may name its family in several languages; any of them counts.
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &found) == FcResultMatch; ++i) {
            if (strcasecmp(reinterpret_cast<const char*>(found), family.c_str()) == 0) {
                face.family = reinterpret_cast<const char*>(found);
                if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
                    face.file = reinterpret_cast<const char*>(file);
                break;
            }
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return face;
}

} // namespace

FontFace findFontFace(const std::vector<std::string>& families) {
    if (!FcInit())
        return {};
    for (const std::string& family : families) {
        FontFace face = matchExactly(family);
        if (face.isFound())
            return face;
    }
    return {};
}

FontFace findEditorFontFace() {
    return findFontFace({"Arial", "Liberation Sans"});
}

} // namespace tovrel
