#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tovrel {

// The user's choice of the editor's scale on Linux, kept where Linux programs keep settings:
// the file "editor-scale" in $XDG_CONFIG_HOME/tovrel/ (~/.config/tovrel/ by default). It holds the
// choice as text, a whole percentage such as "200", or "0" to follow the screen, the same values
// the Windows editor keeps in the registry. Every editor of every instance reads it when it
// opens, so one choice applies to all of them.
class ScaleChoiceStore {
public:
    // The file's name in its folder.
    static constexpr const char* kFileName = "editor-scale";

    // The folder from the two variables' values: XDG_CONFIG_HOME when it is an absolute path
    // (the base directory rules ignore a relative one), else HOME/.config, each with "/tovrel"
    // added; empty when neither gives an absolute path.
    static std::string folderFor(const char* xdgConfigHome, const char* home);
    // The same for this process's environment.
    static std::string defaultFolder();

    // The choice a file's text gives: one of CScale::kSteps, or 0 (follow the screen) for that
    // and for anything else, empty text, garbage or a percentage that is not a step included.
    static int32_t parse(std::string_view text);

    explicit ScaleChoiceStore(std::string where) : folder(std::move(where)) {}

    const std::string& getFolder() const { return folder; }
    std::string getPath() const { return folder + "/" + kFileName; }

    // The stored choice; 0 when there is no file, it cannot be read, or it holds no valid choice.
    int32_t load() const;

    // Stores a choice (0 or one of CScale::kSteps; anything else is refused), creating the folder
    // and its parents as needed. The text goes to a temporary file in the same folder that is
    // then renamed over the old file, so a reader finds the old choice or the new one, never part
    // of one, and two editors saving at once leave one of the two. False when anything fails;
    // the old file is then untouched and no temporary file is left.
    bool save(int32_t percent) const;

private:
    std::string folder;
};

} // namespace tovrel
