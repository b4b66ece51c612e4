// A minimal Linux VST 2.4 library with an X11 editor, to prove the X11 test host: the editor is
// a plain child window of the host's window, run by a thread of its own on a connection of its
// own; it fills itself with kTestPattern, and answers a button press with audioMasterAutomate
// (index: the button, value: the pointer's x over the width) and a key press likewise (index
// kKeyIndex, value: the keysym). It counts the effEditIdle calls it receives.

#include "host/VstAbi.h"
#include "tests/x11host/TestEditorPattern.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <cstdlib>
#include <poll.h>
#include <thread>

namespace {

struct Editor {
    Display* display{nullptr};
    Window window{0};
    std::thread events;
    std::atomic<bool> stopping{false};
};

AEffect effect{};
HostCallback host = nullptr;
ERect rect{0, 0, tovrel::test::kEditorHeight, tovrel::test::kEditorWidth};
Editor* editor = nullptr;
std::atomic<int> idleCalls{0};

void paint(Display* display, Window window) {
    const int width = tovrel::test::kEditorWidth;
    const int height = tovrel::test::kEditorHeight;
    char* data = static_cast<char*>(std::malloc(static_cast<size_t>(width * height * 4)));
    XImage* image = XCreateImage(display, XDefaultVisual(display, XDefaultScreen(display)), 24, ZPixmap, 0,
                                 data, width, height, 32, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            XPutPixel(image, x, y, tovrel::test::testPattern(x, y));
    XPutImage(display, window, XDefaultGC(display, XDefaultScreen(display)), image, 0, 0, 0, 0,
              static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    XDestroyImage(image);
    XFlush(display);
}

void runEvents(Editor* self) {
    while (!self->stopping) {
        while (XPending(self->display) > 0) {
            XEvent event;
            XNextEvent(self->display, &event);
            if (event.type == Expose && event.xexpose.count == 0)
                paint(self->display, self->window);
            else if (event.type == ButtonPress)
                host(&effect, vst::audioMasterAutomate, static_cast<int32_t>(event.xbutton.button), 0,
                     nullptr, static_cast<float>(event.xbutton.x) / tovrel::test::kEditorWidth);
            else if (event.type == KeyPress)
                host(&effect, vst::audioMasterAutomate, tovrel::test::kKeyIndex, 0, nullptr,
                     static_cast<float>(XLookupKeysym(&event.xkey, 0)));
        }
        pollfd descriptor{XConnectionNumber(self->display), POLLIN, 0};
        poll(&descriptor, 1, 10);
    }
}

bool openEditor(void* parent) {
    auto* self = new Editor;
    self->display = XOpenDisplay(nullptr);
    if (self->display == nullptr) {
        delete self;
        return false;
    }
    self->window = XCreateSimpleWindow(self->display, reinterpret_cast<Window>(parent), 0, 0,
                                       tovrel::test::kEditorWidth, tovrel::test::kEditorHeight, 0, 0, 0);
    XSelectInput(self->display, self->window, ExposureMask | ButtonPressMask | KeyPressMask);
    XMapWindow(self->display, self->window);
    XFlush(self->display);
    self->events = std::thread(runEvents, self);
    editor = self;
    return true;
}

void closeEditor() {
    if (editor == nullptr)
        return;
    editor->stopping = true;
    editor->events.join();
    XDestroyWindow(editor->display, editor->window);
    XCloseDisplay(editor->display);
    delete editor;
    editor = nullptr;
}

intptr_t VST_CALL dispatch(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
    case vst::effEditGetRect:
        *static_cast<ERect**>(ptr) = &rect;
        return 1;
    case vst::effEditOpen:
        return openEditor(ptr) ? 1 : 0;
    case vst::effEditClose:
        closeEditor();
        return 0;
    case vst::effEditIdle:
        ++idleCalls;
        return 0;
    case vst::effClose:
        closeEditor();
        return 0;
    default:
        return 0;
    }
}

void VST_CALL noProcess(AEffect*, float**, float**, int32_t) {}
void VST_CALL noParameter(AEffect*, int32_t, float) {}
float VST_CALL noValue(AEffect*, int32_t) {
    return 0.0f;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback callback) {
    host = callback;
    effect = AEffect{};
    effect.magic = vst::kEffectMagic;
    effect.dispatcher = dispatch;
    effect.process = noProcess;
    effect.processReplacing = noProcess;
    effect.setParameter = noParameter;
    effect.getParameter = noValue;
    effect.numParams = 1;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags = vst::effFlagsHasEditor | vst::effFlagsCanReplacing;
    idleCalls = 0;
    return &effect;
}

// The number of effEditIdle calls received since the entry point was called.
extern "C" __attribute__((visibility("default"))) int tovrelTestEditorIdleCalls() {
    return idleCalls;
}
