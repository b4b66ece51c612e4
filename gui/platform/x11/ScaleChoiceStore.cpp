#include "gui/platform/x11/ScaleChoiceStore.h"

#include "gui/CScale.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovrel {

namespace {

bool isValidChoice(int64_t percent) {
    if (percent == 0)
        return true;
    for (const int32_t step : CScale::kSteps)
        if (percent == step)
            return true;
    return false;
}

bool isAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// Creates `path` and the folders above it that are missing (private to the user, as settings
// folders are); true when it exists as a folder afterwards.
bool makeFolders(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode);
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash)))
        return false;
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int descriptor, const std::string& text) {
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(descriptor, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string ScaleChoiceStore::folderFor(const char* xdgConfigHome, const char* home) {
    if (isAbsolute(xdgConfigHome))
        return std::string(xdgConfigHome) + "/tovrel";
    if (isAbsolute(home))
        return std::string(home) + "/.config/tovrel";
    return {};
}

std::string ScaleChoiceStore::defaultFolder() {
    return folderFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

int32_t ScaleChoiceStore::parse(std::string_view text) {
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
            ++i;
    };
    skipSpace();
    const size_t start = i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 4; ++i)
        value = value * 10 + (text[i] - '0');
    if (i == start)
        return 0;
    skipSpace();
    return i == text.size() && isValidChoice(value) ? static_cast<int32_t>(value) : 0;
}

int32_t ScaleChoiceStore::load() const {
    if (folder.empty())
        return 0;
    const int descriptor = open(getPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return 0;
    // A valid file is a few bytes; more than this is garbage whatever it holds.
    char buffer[64];
    size_t length = 0;
    while (length < sizeof(buffer)) {
        const ssize_t n = read(descriptor, buffer + length, sizeof(buffer) - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        length += static_cast<size_t>(n);
    }
    close(descriptor);
    return length < sizeof(buffer) ? parse(std::string_view(buffer, length)) : 0;
}

bool ScaleChoiceStore::save(int32_t percent) const {
    if (folder.empty() || !isValidChoice(percent) || !makeFolders(folder))
        return false;
    std::string temporary = getPath() + ".XXXXXX";
    const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0)
        return false;
    // mkstemp makes the file private; a settings file is readable like the others.
    const bool written =
        fchmod(descriptor, 0644) == 0 && writeAll(descriptor, std::to_string(percent) + "\n");
    const bool closed = close(descriptor) == 0;
    if (written && closed && rename(temporary.c_str(), getPath().c_str()) == 0)
        return true;
    unlink(temporary.c_str());
    return false;
}

} // namespace tovrel
