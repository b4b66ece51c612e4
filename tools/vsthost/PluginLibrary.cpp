#include "tools/vsthost/PluginLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tovrel {

PluginLibrary::~PluginLibrary() {
    unload();
}

bool PluginLibrary::load(const std::string& path) {
    unload();
#if defined(_WIN32)
    handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (!handle) {
        lastError = "cannot load '" + path + "' (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        lastError = "cannot load '" + path + "': " + (reason ? reason : "unknown error");
        return false;
    }
#endif
    entry = reinterpret_cast<EntryProc>(symbol("VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<EntryProc>(symbol("main"));
    if (!entry) {
        lastError = "'" + path + "' exports neither VSTPluginMain nor main: not a VST 2.4 plug-in";
        unload();
        return false;
    }
    lastError.clear();
    return true;
}

void PluginLibrary::unload() {
    if (!handle)
        return;
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
    handle = nullptr;
    entry = nullptr;
}

void* PluginLibrary::symbol(const char* name) const {
    if (!handle)
        return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

AEffect* PluginLibrary::createEffect(HostCallback callback) const {
    return entry ? entry(callback) : nullptr;
}

} // namespace tovrel
