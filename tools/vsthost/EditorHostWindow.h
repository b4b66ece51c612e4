#pragma once

#include "host/VstAbi.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tovrel {

// A top-level window that hosts a plug-in's editor the way a host does: it asks the editor's
// size (effEditGetRect), sizes its client area to it, opens the editor inside (effEditOpen),
// drives it with effEditIdle, and reads back what the editor painted.
class EditorHostWindow {
public:
    EditorHostWindow() = default;
    ~EditorHostWindow();

    EditorHostWindow(const EditorHostWindow&) = delete;
    EditorHostWindow& operator=(const EditorHostWindow&) = delete;

    // False with a message in error() when the plug-in has no editor or it does not open.
    bool open(AEffect* effect, int left = 100, int top = 100);
    void close();

    // Dispatches pending window messages, then sends effEditIdle; repeated `rounds` times.
    void idle(int rounds = 1);

    // The client area as 0x00RRGGBB pixels, row by row from the top.
    bool capture(std::vector<uint32_t>& pixels);
    uint32_t pixelAt(const std::vector<uint32_t>& pixels, int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(clientWidth) + static_cast<size_t>(x)];
    }

    HWND window() const { return hostWindow; }
    int width() const { return clientWidth; }
    int height() const { return clientHeight; }
    const std::string& error() const { return lastError; }

private:
    AEffect* record{nullptr};
    HWND hostWindow{nullptr};
    int clientWidth{0};
    int clientHeight{0};
    bool editorOpen{false};
    std::string lastError;
};

} // namespace tovrel
