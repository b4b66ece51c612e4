// tovrel-editor-snapshot: opens the plug-in's editor in a window of its own, as a host does,
// and saves what it shows as a PNG picture. With --size WIDTHxHEIGHT it fails unless the editor's
// window has that size in device pixels (the size the screen's scale must give it).
#include "tools/snapshot/PngWriter.h"
#include "tools/vsthost/EditorHostWindow.h"
#include "tools/vsthost/HostedEffect.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: tovrel-editor-snapshot [--plugin tovrel_vst.dll] [--size WIDTHxHEIGHT] OUTPUT.png\n";

// "366x450" into its two numbers; false for anything else.
bool parseSize(const std::string& text, int& width, int& height) {
    char rest = 0;
    return std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &rest) == 2 && width > 0 && height > 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string plugin = "tovrel_vst.dll";
    std::string output;
    int expectedWidth = 0;
    int expectedHeight = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plugin" && i + 1 < argc)
            plugin = argv[++i];
        else if (arg == "--size" && i + 1 < argc) {
            if (!parseSize(argv[++i], expectedWidth, expectedHeight)) {
                std::fprintf(stderr, "%s", kUsage);
                return 2;
            }
        } else if (output.empty() && !arg.empty() && arg[0] != '-')
            output = arg;
        else {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
    }
    if (output.empty()) {
        std::fprintf(stderr, "%s", kUsage);
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
        } else if (expectedWidth != 0 && (host.width() != expectedWidth || host.height() != expectedHeight)) {
            std::fprintf(stderr, "tovrel-editor-snapshot: the editor is %d x %d, not %d x %d\n", host.width(),
                         host.height(), expectedWidth, expectedHeight);
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
