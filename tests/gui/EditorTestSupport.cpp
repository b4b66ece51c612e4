#include "EditorTestSupport.h"

#include "gui/ModuleInstance.h"

#include <cstdio>

namespace tovrel::test {

TestEditor::TestEditor(PluginEffect* owner) : GuiEditor(owner) {
    editRect = ERect{0, 0, 225, 183};
}

TestEditor::~TestEditor() {
    if (frame)
        TestEditor::onEditClose();
}

bool TestEditor::onEditOpen(void* parent) {
    GuiEditor::onEditOpen(parent);
    frame = makeUniqueRef<CountingFrame>(CRectangle{0, 0, 183, 225}, static_cast<HWND>(parent), this);
    return true;
}

void TestEditor::onEditClose() {
    closeFrame();
    GuiEditor::onEditClose();
}

void TestEditor::onEditIdle() {
    ++editIdles;
    GuiEditor::onEditIdle();
}

std::string expectedFrameClassName() {
    char name[64];
    std::snprintf(name, sizeof(name), "Plugin%p", moduleInstance);
    return name;
}

bool frameClassRegistered() {
    WNDCLASSA info{};
    return GetClassInfoA(static_cast<HINSTANCE>(moduleInstance), expectedFrameClassName().c_str(), &info) !=
           0;
}

HWND makeChildWindow(HWND parent, const char* className, int x, int y, int width, int height,
                     void* creationData) {
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), creationData);
}

} // namespace tovrel::test
