#pragma once

#include "host/VstAbi.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tovrel {

// The host side of the plug-in's calls for the X11 test host: answers the version query and
// records the editor's automation (audioMasterAutomate, audioMasterBeginEdit, audioMasterEndEdit)
// and any idle time asked for from another thread than the host's, and, for a host that sizes
// its window for the editor, its size requests (audioMasterSizeWindow, width in `index`, height
// in `value`).
// The editor may call from a thread of its own, so the log is locked, and each entry says
// whether it came from the thread that created the log (the host's thread). One log is active
// at a time (the callback is a plain function); creating one makes it the active one.
class HostCallLog {
public:
    struct Call {
        int32_t opcode{0};
        int32_t index{0};
        float opt{0.0f};
        intptr_t value{0};
        bool onHostThread{true};
        AEffect* effect{nullptr};
    };
    // Called after each recorded call and each audioMasterIdle, on the thread that made it,
    // outside the log's lock: a host that answers a call with calls of its own (closing the
    // editor from an automation or from the idle time a drag gives it, say).
    using Reaction = std::function<void(const Call&)>;

    HostCallLog();
    ~HostCallLog();

    HostCallLog(const HostCallLog&) = delete;
    HostCallLog& operator=(const HostCallLog&) = delete;

    static HostCallback callback() { return &HostCallLog::dispatch; }

    // A copy of what has been recorded so far.
    std::vector<Call> calls() const;
    size_t count() const;
    void clear();
    // Set before the calls it reacts to can come.
    void setReaction(Reaction reaction) { react = std::move(reaction); }
    // Whether the host says it can size its window (canDo "sizeWindow") and agrees to each
    // request; it resizes its window on its own thread once it sees the request. No to start.
    void setSizesWindow(bool sizes) { sizesWindow = sizes; }

private:
    static intptr_t VST_CALL dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                      void* ptr, float opt);

    mutable std::mutex lock;
    std::vector<Call> recorded;
    std::thread::id hostThread{std::this_thread::get_id()};
    Reaction react;
    std::atomic<bool> sizesWindow{false};
};

} // namespace tovrel
