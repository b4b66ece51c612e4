#include "tests/x11host/Lv2UiHost.h"

#include <dlfcn.h>

#include <fstream>
#include <sstream>

namespace tovrel {

namespace {

// The text between `open` and `close` after `from`, or empty.
std::string between(const std::string& text, size_t from, char open, char close, size_t* end = nullptr) {
    const size_t start = text.find(open, from);
    const size_t stop = start == std::string::npos ? start : text.find(close, start + 1);
    if (stop == std::string::npos)
        return {};
    if (end)
        *end = stop;
    return text.substr(start + 1, stop - start - 1);
}

} // namespace

Lv2UiHost::~Lv2UiHost() {
    cleanup();
    // The UI library stays: it asks to (-z nodelete), and its editor threads are gone by now.
    if (library)
        dlclose(library);
}

bool Lv2UiHost::load(const std::string& bundle, const std::string& pluginUri) {
    bundlePath = bundle.back() == '/' ? bundle : bundle + "/";
    plugin = pluginUri;
    std::ifstream in(bundlePath + "manifest.ttl");
    std::stringstream text;
    text << in.rdbuf();
    const std::string manifest = text.str();
    // "<uri>\n    a ui:X11UI ;\n    ui:binary <file> ;" as the statement names them.
    const size_t typed = manifest.find("a ui:X11UI");
    const size_t subject = typed == std::string::npos ? typed : manifest.rfind('<', typed);
    const size_t binaryAt = typed == std::string::npos ? typed : manifest.find("ui:binary", typed);
    if (subject == std::string::npos || binaryAt == std::string::npos) {
        lastError = "no X11 UI in " + bundlePath + "manifest.ttl";
        return false;
    }
    uri = between(manifest, subject, '<', '>');
    const std::string binary = between(manifest, binaryAt, '<', '>');
    library = dlopen((bundlePath + binary).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        lastError = dlerror();
        return false;
    }
    const auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    for (uint32_t index = 0; entry && !descriptor; ++index) {
        const LV2UI_Descriptor* found = entry(index);
        if (!found)
            break;
        if (uri == found->URI)
            descriptor = found;
    }
    if (!descriptor) {
        lastError = "no descriptor for " + uri + " in " + binary;
        return false;
    }
    if (descriptor->extension_data)
        idleInterface =
            static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    return true;
}

bool Lv2UiHost::open(X11EditorHost& host, bool offerResize, bool offerTouch, int left, int top) {
    cleanup();
    clear();
    window = &host;
    lastError.clear();
    X11EditorHost::EditorCalls calls;
    calls.open = [this, offerResize, offerTouch](unsigned long parentWindow) {
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parentWindow)};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resizeData};
        const LV2_Feature touchFeature{LV2_UI__touch, &touchData};
        const LV2_Feature* features[4] = {&parentFeature, nullptr, nullptr, nullptr};
        int count = 1;
        if (offerResize)
            features[count++] = &resizeFeature;
        if (offerTouch)
            features[count++] = &touchFeature;
        LV2UI_Widget widget = nullptr;
        handle = descriptor->instantiate(descriptor, plugin.c_str(), bundlePath.c_str(),
                                         &Lv2UiHost::writePort, this, &widget, features);
        if (handle && !widget) {
            cleanup();
            lastError = "the UI gave no widget";
        }
        return handle != nullptr;
    };
    calls.idle = [this] { idle(); };
    calls.close = [this] { cleanup(); };
    // A first size; the UI tells its own through ui:resize.
    if (!descriptor || !idleInterface || !host.open(calls, 100, 100, left, top)) {
        if (lastError.empty())
            lastError = !descriptor      ? "not loaded"
                        : !idleInterface ? "no idle interface"
                                         : "the UI refused to open";
        return false;
    }
    return true;
}

void Lv2UiHost::portEvent(uint32_t port, float value) {
    if (handle && descriptor->port_event)
        descriptor->port_event(handle, port, sizeof(float), 0, &value);
}

void Lv2UiHost::idle() {
    if (!handle)
        return;
    inIdle = true;
    idleInterface->idle(handle);
    inIdle = false;
}

void Lv2UiHost::cleanup() {
    if (handle)
        descriptor->cleanup(handle);
    handle = nullptr;
}

std::vector<Lv2UiHost::Call> Lv2UiHost::calls() const {
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}

void Lv2UiHost::clear() {
    std::lock_guard<std::mutex> guard(lock);
    recorded.clear();
}

void Lv2UiHost::record(Call call) {
    call.onHostThread = std::this_thread::get_id() == hostThread;
    call.inIdle = inIdle && call.onHostThread;
    std::lock_guard<std::mutex> guard(lock);
    recorded.push_back(call);
}

void Lv2UiHost::writePort(LV2UI_Controller controller, uint32_t port, uint32_t bufferSize, uint32_t format,
                          const void* buffer) {
    Call call;
    call.port = port;
    call.format = format;
    call.bufferSize = bufferSize;
    if (format == 0 && bufferSize == sizeof(float))
        call.value = *static_cast<const float*>(buffer);
    static_cast<Lv2UiHost*>(controller)->record(call);
}

int Lv2UiHost::resizeUi(LV2UI_Feature_Handle featureHandle, int width, int height) {
    auto* self = static_cast<Lv2UiHost*>(featureHandle);
    Call call;
    call.kind = Call::Kind::resize;
    call.width = width;
    call.height = height;
    self->record(call);
    // The host's window follows, on the host's thread only: a call from elsewhere is a fault the
    // test sees in the record.
    if (self->window && std::this_thread::get_id() == self->hostThread)
        self->window->resizeWindow(width, height);
    return 0;
}

void Lv2UiHost::touchPort(LV2UI_Feature_Handle featureHandle, uint32_t port, bool grabbed) {
    Call call;
    call.kind = Call::Kind::touch;
    call.port = port;
    call.grabbed = grabbed;
    static_cast<Lv2UiHost*>(featureHandle)->record(call);
}

} // namespace tovrel
