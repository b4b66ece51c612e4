#pragma once

#include "host/VstAbi.h"

#include <string>

namespace tovrel {

// A VST 2.4 plug-in library loaded the way a host loads it: by file name, then through its
// exported entry point. Used by the renderer and by the tests that drive the plug-in as a host.
class PluginLibrary {
public:
    PluginLibrary() = default;
    ~PluginLibrary();

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Loads the library and finds "VSTPluginMain" (or, failing that, "main"). On failure returns
    // false and leaves a description in error().
    bool load(const std::string& path);
    void unload();

    bool isLoaded() const { return handle != nullptr; }
    // The platform's handle of the loaded library (its module handle on Windows).
    void* module() const { return handle; }
    const std::string& error() const { return lastError; }

    // Calls the entry point; null when the plug-in refuses or nothing is loaded.
    AEffect* createEffect(HostCallback callback) const;

    // Looks up any exported name; null when absent.
    void* symbol(const char* name) const;

private:
    using EntryProc = AEffect*(VST_CALL*)(HostCallback);

    void* handle{nullptr};
    EntryProc entry{nullptr};
    std::string lastError;
};

} // namespace tovrel
