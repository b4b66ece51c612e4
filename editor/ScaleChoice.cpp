#include "editor/ScaleChoice.h"

#include "gui/platform/PlatformMenu.h"
#include "gui/platform/PlatformSettings.h"

#include <cstdio>
#include <iterator>

namespace tovrel::ScaleChoice {

namespace {

constexpr const char* kValueName = "EditorScale";
constexpr const char* kFollowText = "follow the screen";
// Menu command numbers: the percentage itself for a size; follow the screen has its own.
constexpr int32_t kFollowCommand = 1;

bool isOffered(int32_t percent) {
    for (const int32_t step : CScale::kSteps)
        if (step == percent)
            return true;
    return false;
}

} // namespace

int32_t kept() {
    int32_t percent = 0;
    if (!readUserSetting(kValueName, percent))
        return 0;
    return isOffered(percent) ? percent : 0;
}

bool keep(int32_t percent) {
    return writeUserSetting(kValueName, isOffered(percent) ? percent : 0);
}

CScale scaleOn(const CScale& screen) {
    const int32_t percent = kept();
    return percent != 0 ? CScale(percent) : screen;
}

int32_t ask(NativeWindow owner, CPos screenPoint) {
    constexpr int32_t kSizes = static_cast<int32_t>(std::size(CScale::kSteps));
    char texts[kSizes][16];
    PlatformMenuItem items[kSizes + 2];
    const int32_t current = kept();
    for (int32_t i = 0; i < kSizes; ++i) {
        const int32_t step = CScale::kSteps[i];
        std::snprintf(texts[i], sizeof texts[i], "%d %%", static_cast<int>(step));
        items[i] = PlatformMenuItem{texts[i], step, step == current};
    }
    items[kSizes] = PlatformMenuItem{}; // a separator
    items[kSizes + 1] = PlatformMenuItem{kFollowText, kFollowCommand, current == 0};
    const int32_t command = popupMenu(owner, screenPoint, items, kSizes + 2);
    if (command == 0)
        return -1;
    return command == kFollowCommand ? 0 : command;
}

} // namespace tovrel::ScaleChoice
