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
    m_handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (!m_handle) {
        m_error = "cannot load '" + path + "' (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
#else
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* reason = dlerror();
        m_error = "cannot load '" + path + "': " + (reason ? reason : "unknown error");
        return false;
    }
#endif
    m_entry = reinterpret_cast<EntryProc>(symbol("VSTPluginMain"));
    if (!m_entry)
        m_entry = reinterpret_cast<EntryProc>(symbol("main"));
    if (!m_entry) {
        m_error = "'" + path + "' exports neither VSTPluginMain nor main: not a VST 2.4 plug-in";
        unload();
        return false;
    }
    m_error.clear();
    return true;
}

void PluginLibrary::unload() {
    if (!m_handle)
        return;
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(m_handle));
#else
    dlclose(m_handle);
#endif
    m_handle = nullptr;
    m_entry = nullptr;
}

void* PluginLibrary::symbol(const char* name) const {
    if (!m_handle)
        return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(m_handle), name));
#else
    return dlsym(m_handle, name);
#endif
}

AEffect* PluginLibrary::createEffect(HostCallback callback) const {
    return m_entry ? m_entry(callback) : nullptr;
}

} // namespace tovrel
