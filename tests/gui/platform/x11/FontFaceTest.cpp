#include "gui/platform/x11/FontFace.h"

#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <set>
#include <sys/stat.h>

namespace tovrel {
namespace {

// Every family an installed font states, listed by fontconfig rather than matched.
std::set<std::string> installedFamilies() {
    std::set<std::string> families;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* wanted = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* fonts = FcFontList(nullptr, all, wanted)) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcChar8* family = nullptr;
            for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
                families.insert(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(wanted);
    FcPatternDestroy(all);
    return families;
}

// fontconfig keeps its configuration for the process's life (the editor never ends it: other
// code in the host's process may use it); the test program ends it, so that the leak checker in
// the sanitizer build sees only what the face search itself leaves.
class FontconfigEnd : public ::testing::Environment {
public:
    void TearDown() override { FcFini(); }
};
[[maybe_unused]] ::testing::Environment* const fontconfigEnd =
    ::testing::AddGlobalTestEnvironment(new FontconfigEnd);

// The first family that a font really has, never a substitute that fontconfig offers for it.
// (fonts-liberation is a build dependency: its three families are installed.)
TEST(FontFace, FirstInstalledFamilyIsFound) {
    const struct {
        std::vector<std::string> families;
        const char* found;
    } cases[] = {
        {{"Liberation Sans"}, "Liberation Sans"},
        {{"liberation SANS"}, "Liberation Sans"},
        {{"No Such Family 7f3a", "Liberation Sans"}, "Liberation Sans"},
        {{"Liberation Serif", "Liberation Sans"}, "Liberation Serif"},
        {{"No Such Family 7f3a"}, ""},
        {{"Liberation"}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        const FontFace face = findFontFace(c.families);
        const std::string shown = c.families.empty() ? "(none)" : c.families.front();
        EXPECT_EQ(face.family, c.found) << shown;
        struct stat status {};
        EXPECT_EQ(face.isFound(), !face.file.empty() && stat(face.file.c_str(), &status) == 0) << shown;
    }
}

TEST(FontFace, EditorGetsArialElseLiberationSans) {
    const std::set<std::string> families = installedFamilies();
    ASSERT_TRUE(families.count("Liberation Sans")) << "fonts-liberation is not installed";
    if (std::getenv("TOVREL_EXPECT_ARIAL") != nullptr) {
        ASSERT_TRUE(families.count("Arial")) << "the stand-in configuration gives no Arial";
    }
    EXPECT_EQ(findEditorFontFace().family, families.count("Arial") ? "Arial" : "Liberation Sans");
}

} // namespace
} // namespace tovrel
