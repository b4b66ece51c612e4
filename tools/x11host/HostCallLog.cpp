#include "tools/x11host/HostCallLog.h"

#include <atomic>
#include <cstring>

namespace tovrel {

namespace {
std::atomic<HostCallLog*> active{nullptr};
} // namespace

HostCallLog::HostCallLog() {
    active = this;
}

HostCallLog::~HostCallLog() {
    HostCallLog* self = this;
    active.compare_exchange_strong(self, nullptr);
}

std::vector<HostCallLog::Call> HostCallLog::calls() const {
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}

size_t HostCallLog::count() const {
    std::lock_guard<std::mutex> guard(lock);
    return recorded.size();
}

void HostCallLog::clear() {
    std::lock_guard<std::mutex> guard(lock);
    recorded.clear();
}

intptr_t VST_CALL HostCallLog::dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                        void* ptr, float opt) {
    if (opcode == vst::audioMasterVersion)
        return 2400;
    HostCallLog* log = active;
    if (log == nullptr)
        return 0;
    const bool sizes = log->sizesWindow.load();
    if (opcode == vst::audioMasterCanDo)
        return sizes && ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0 ? 1 : 0;
    const Call call{opcode, index, opt, value, std::this_thread::get_id() == log->hostThread, effect};
    // Idle time asked for on the host's thread is not recorded (an editor asks for it all the
    // time), but a host may answer it; asked for from another thread, it is a fault to see.
    const bool recorded = opcode == vst::audioMasterAutomate || opcode == vst::audioMasterBeginEdit ||
                          opcode == vst::audioMasterEndEdit ||
                          (opcode == vst::audioMasterSizeWindow && sizes);
    if (recorded || (opcode == vst::audioMasterIdle && !call.onHostThread)) {
        std::lock_guard<std::mutex> guard(log->lock);
        log->recorded.push_back(call);
    }
    if ((recorded || opcode == vst::audioMasterIdle) && log->react)
        log->react(call);
    return opcode == vst::audioMasterSizeWindow && sizes ? 1 : 0;
}

} // namespace tovrel
