// tovrel-x11-host: opens a Linux VST 2.4 plug-in's editor in an X11 window as a Linux host does.
//
//   tovrel-x11-host [--idle-ms N] [--run-ms N] [--png FILE] [--census] PLUGIN.so
//
// Runs the host loop for --run-ms (1000 by default; effEditIdle every --idle-ms, 50 by default,
// 0 for never), optionally saves the window's picture, prints the automation the editor sent,
// and with --census compares the process's threads, descriptors and X resources before the
// editor opened and after it closed. Exit status 0 when all went well, 1 on a failure (an X
// protocol error included), 3 when the editor left something behind.

#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/x11host/HostCallLog.h"
#include "tools/x11host/ResourceCensus.h"
#include "tools/x11host/X11EditorHost.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: tovrel-x11-host [--idle-ms N] [--run-ms N] [--png FILE] [--census] PLUGIN.so\n");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    long idleMs = 50;
    long runMs = 1000;
    std::string png;
    std::string plugin;
    bool census = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--idle-ms" || argument == "--run-ms" || argument == "--png") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (argument == "--png")
                png = value;
            else
                (argument == "--idle-ms" ? idleMs : runMs) = std::strtol(value.c_str(), nullptr, 10);
        } else if (argument == "--census") {
            census = true;
        } else if (!argument.empty() && argument[0] != '-' && plugin.empty()) {
            plugin = argument;
        } else {
            return usage();
        }
    }
    if (plugin.empty() || idleMs < 0 || runMs < 0)
        return usage();

    tovrel::HostCallLog log;
    tovrel::PluginLibrary library;
    tovrel::HostedEffect effect;
    tovrel::X11EditorHost host;
    if (!library.load(plugin) || !effect.open(library, tovrel::HostCallLog::callback())) {
        std::fprintf(stderr, "tovrel-x11-host: %s\n",
                     (library.isLoaded() ? effect.error() : library.error()).c_str());
        return 1;
    }
    if (!host.connect()) {
        std::fprintf(stderr, "tovrel-x11-host: %s\n", host.error().c_str());
        return 1;
    }
    const tovrel::ResourceCensus before = tovrel::ResourceCensus::take(host.display(), 0);
    host.setIdlePeriod(std::chrono::milliseconds(idleMs));
    if (!host.open(effect.effect())) {
        std::fprintf(stderr, "tovrel-x11-host: %s\n", host.error().c_str());
        return 1;
    }
    std::printf("editor %d x %d in window 0x%lx\n", host.width(), host.height(), host.window());
    host.run(std::chrono::milliseconds(runMs));
    int status = 0;
    if (!png.empty() && !host.savePng(png)) {
        std::fprintf(stderr, "tovrel-x11-host: cannot save %s\n", png.c_str());
        status = 1;
    }
    host.close();
    std::printf("%zu idle calls\n", host.idleTimes().size());
    for (const tovrel::HostCallLog::Call& call : log.calls())
        std::printf("host call %d index %d value %g%s\n", call.opcode, call.index,
                    static_cast<double>(call.opt), call.onHostThread ? "" : " (from another thread)");
    if (tovrel::X11EditorHost::xErrorCount() > 0) {
        std::fprintf(stderr, "tovrel-x11-host: %d X errors, the last %s\n",
                     tovrel::X11EditorHost::xErrorCount(),
                     tovrel::X11EditorHost::describeLastXError().c_str());
        status = 1;
    }
    if (census) {
        const tovrel::ResourceCensus after = tovrel::ResourceCensus::take(host.display(), 0);
        std::printf("before: %safter:  %s", before.describe().c_str(), after.describe().c_str());
        if (after != before)
            status = status == 0 ? 3 : status;
    }
    return status;
}
