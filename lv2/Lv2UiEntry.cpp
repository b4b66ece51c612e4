// The UI library's one entry point: the LV2 UI descriptor, whose operations forward to
// CrossfeedLv2Ui, and the idle interface, which the UI needs to reach the host.
#include "lv2/CrossfeedLv2Ui.h"
#include "lv2/Lv2Ports.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstring>
#include <new>

namespace {

using tovrel::CrossfeedLv2Ui;

CrossfeedLv2Ui* ui(LV2UI_Handle handle) {
    return static_cast<CrossfeedLv2Ui*>(handle);
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
    if (!pluginUri || std::strcmp(pluginUri, tovrel::lv2::kPluginUri) != 0 || !widget)
        return nullptr;
    CrossfeedLv2Ui::Host host{write, controller, nullptr, nullptr};
    void* parent = nullptr;
    for (const LV2_Feature* const* feature = features; feature && *feature; ++feature) {
        const char* uri = (*feature)->URI;
        if (std::strcmp(uri, LV2_UI__parent) == 0)
            parent = (*feature)->data;
        else if (std::strcmp(uri, LV2_UI__resize) == 0)
            host.resize = static_cast<const LV2UI_Resize*>((*feature)->data);
        else if (std::strcmp(uri, LV2_UI__touch) == 0)
            host.touch = static_cast<const LV2UI_Touch*>((*feature)->data);
    }
    if (!parent)
        return nullptr;
    auto* created = new (std::nothrow) CrossfeedLv2Ui(host);
    if (created && !created->open(parent)) {
        delete created;
        return nullptr;
    }
    if (created)
        *widget = created->widget();
    return created;
}

// The host's thread: the editor's thread is stopped and joined before the UI goes.
void cleanup(LV2UI_Handle handle) {
    delete ui(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
    ui(handle)->portEvent(port, bufferSize, format, buffer);
}

int idle(LV2UI_Handle handle) {
    return ui(handle)->idle();
}

const LV2UI_Idle_Interface kIdleInterface = {idle};

const void* extensionData(const char* uri) {
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor = {tovrel::lv2::kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
