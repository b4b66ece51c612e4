// tovrel-editor-snapshot: opens the plug-in's editor in a window of its own, as a host does,
// and saves what it shows as a PNG picture.
#include "tools/snapshot/PngWriter.h"
#include "tools/vsthost/EditorHostWindow.h"
#include "tools/vsthost/HostedEffect.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string plugin = "tovrel_vst.dll";
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plugin" && i + 1 < argc)
            plugin = argv[++i];
        else if (output.empty() && !arg.empty() && arg[0] != '-')
            output = arg;
        else {
            std::fprintf(stderr, "usage: tovrel-editor-snapshot [--plugin tovrel_vst.dll] OUTPUT.png\n");
            return 2;
        }
    }
    if (output.empty()) {
        std::fprintf(stderr, "usage: tovrel-editor-snapshot [--plugin tovrel_vst.dll] OUTPUT.png\n");
        return 2;
    }

    // The editor window closes before the effect does.
    tovrel::HostedEffect effect;
    if (!effect.load(plugin)) {
        std::fprintf(stderr, "tovrel-editor-snapshot: %s\n", effect.error().c_str());
        return 1;
    }
    int status = 0;
    {
        tovrel::EditorHostWindow host;
        std::vector<uint32_t> pixels;
        if (!host.open(effect.effect())) {
            std::fprintf(stderr, "tovrel-editor-snapshot: %s\n", host.error().c_str());
            status = 1;
        } else if (host.idle(5), !host.capture(pixels)) {
            std::fprintf(stderr, "tovrel-editor-snapshot: cannot read the editor's pixels\n");
            status = 1;
        } else if (!tovrel::writePng(output, pixels, host.width(), host.height())) {
            std::fprintf(stderr, "tovrel-editor-snapshot: cannot write '%s'\n", output.c_str());
            status = 1;
        } else {
            std::printf("editor picture (%d x %d) written to %s\n", host.width(), host.height(),
                        output.c_str());
        }
    }
    return status;
}
