#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tovrel {

// An empty folder of user settings for the editors this process opens, so that a scale the user
// chose (kept under $XDG_CONFIG_HOME) is not read: made and named in XDG_CONFIG_HOME for the
// object's life, then removed with whatever the editors wrote there.
class ScratchSettings {
public:
    explicit ScratchSettings(const char* prefix) {
        std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data())) {
            path = pattern;
            setenv("XDG_CONFIG_HOME", path.c_str(), 1);
        }
    }
    ~ScratchSettings() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;

    // Empty when the folder could not be made.
    const std::string& folder() const { return path; }

private:
    std::string path;
};

} // namespace tovrel
