#pragma once

#include <string>
#include <vector>

namespace tovrel {

// A font face as fontconfig finds it: its family name as the font states it, and its file.
struct FontFace {
    std::string family;
    std::string file;

    bool isFound() const { return !family.empty(); }
};

// The editor's text face: "Arial" where the system has it, else "Liberation Sans", whose letters
// have the same widths, so the editor's texts fit the same boxes; not found when neither is
// installed. fontconfig's alias rules answer a request for Arial with Liberation Sans; the family
// returned is the one actually found.
FontFace findEditorFontFace();

// The first of `families` that an installed font has as its family (compared without regard to
// case), through fontconfig's default configuration; not found when none is installed.
FontFace findFontFace(const std::vector<std::string>& families);

} // namespace tovrel
