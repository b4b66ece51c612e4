#pragma once

#include <windows.h>

namespace tovrel {

// OLE for the thread that shows a window, for as long as the window needs it. OLE keeps one count
// per thread, and that count belongs to whoever made it: the session uninitialises only an
// initialisation of its own that succeeded, and only on the thread where it succeeded. A thread
// already in the multithreaded apartment refuses OLE (its drag and drop is then off), and a host
// that closes the window on some other thread keeps its own OLE on that thread.
class COleSession {
public:
    COleSession() = default;
    ~COleSession() { end(); }

    COleSession(const COleSession&) = delete;
    COleSession& operator=(const COleSession&) = delete;

    void begin();
    void end();
    bool isActive() const { return initialised; }
    // Whether the session holds OLE on that thread, and forgetting it: for a session whose end
    // another thread's code has taken over.
    bool isActiveOn(DWORD threadId) const { return initialised && thread == threadId; }
    void abandon() { initialised = false; }

private:
    DWORD thread{0};
    bool initialised{false};
};

} // namespace tovrel
