#include "host/PluginEditor.h"

namespace tovrel {

bool PluginEditor::onEditGetRect(ERect** rect) {
    if (rect)
        *rect = nullptr;
    return false;
}

bool PluginEditor::onEditOpen(void* parent) {
    parentWindow = parent;
    return false;
}

} // namespace tovrel
