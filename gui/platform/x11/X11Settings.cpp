// The user's settings under X11: the editor's scale choice, the one setting the plug-in keeps,
// in the user's configuration folder (ScaleChoiceStore).
#include "gui/platform/PlatformSettings.h"
#include "gui/platform/x11/ScaleChoiceStore.h"

#include <unistd.h>

#include <cstring>

namespace tovrel {

namespace {

// The name the editor keeps its scale under, as the Windows registry value is named.
constexpr const char* kScaleSetting = "EditorScale";

bool isScaleSetting(const char* name) {
    return name && std::strcmp(name, kScaleSetting) == 0;
}

} // namespace

bool readUserSetting(const char* name, int32_t& value) {
    if (!isScaleSetting(name))
        return false;
    const ScaleChoiceStore store(ScaleChoiceStore::defaultFolder());
    if (store.getFolder().empty() || access(store.getPath().c_str(), R_OK) != 0)
        return false;
    value = store.load();
    return true;
}

bool writeUserSetting(const char* name, int32_t value) {
    if (!isScaleSetting(name))
        return false;
    const ScaleChoiceStore store(ScaleChoiceStore::defaultFolder());
    return !store.getFolder().empty() && store.save(value);
}

} // namespace tovrel
