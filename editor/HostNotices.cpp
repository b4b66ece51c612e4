#include "editor/HostNotices.h"

#include "gui/platform/PlatformSystem.h"

namespace tovrel {

HostNotices::HostNotices(PluginEffect* owner) : effect(owner) {}

HostNotices::~HostNotices() {
    for (DeliveryWatch* watch = deliveries; watch; watch = watch->outer)
        watch->gone = true;
}

void HostNotices::keepNoticesOf(unsigned long thread) {
    // A host that opens an editor is expected to give it idle time from now on.
    if (thread != 0)
        lastHostIdle.store(platformTicks(), std::memory_order_release);
    keptThread.store(thread, std::memory_order_release);
}

void HostNotices::windowIdled() {
    if (!hostIdlesNow())
        deliver();
}

void HostNotices::hostIdled(uint32_t now) {
    lastHostIdle.store(now, std::memory_order_release);
    deliver();
}

bool HostNotices::hostIdlesNow() const {
    return platformTicks() - lastHostIdle.load(std::memory_order_acquire) < kHostIdleTrust;
}

bool HostNotices::keepForHost(int32_t opcode, int32_t index, float value) {
    const unsigned long thread = keptThread.load(std::memory_order_acquire);
    const unsigned long self = currentThreadId();
    // The host's own thread, and the thread that delivers, call the host at once.
    if (thread == 0 || thread != self || deliveringThread.load(std::memory_order_acquire) == self)
        return false;
    {
        std::lock_guard<std::mutex> guard(lock);
        // A drag moves one parameter many times between two idle calls: the host needs its last value.
        if (opcode == vst::audioMasterAutomate && !waiting.empty() && waiting.back().opcode == opcode &&
            waiting.back().index == index) {
            waiting.back().value = value;
            return true;
        }
        waiting.push_back({opcode, index, value});
    }
    if (!hostIdlesNow())
        deliver(); // no host idle to wait for: this thread delivers, the older notices first
    return true;
}

void HostNotices::deliver() {
    const unsigned long self = currentThreadId();
    unsigned long idle = 0;
    const bool outermost = deliveringThread.compare_exchange_strong(idle, self, std::memory_order_acq_rel);
    if (!outermost && idle != self)
        return; // another thread delivers them
    DeliveryWatch watch{false, deliveries};
    deliveries = &watch;
    for (;;) {
        Notice notice{};
        {
            std::lock_guard<std::mutex> guard(lock);
            if (waiting.empty())
                break;
            notice = waiting.front();
            waiting.pop_front();
        }
        effect->callHostWithNotice(notice.opcode, notice.index, notice.value);
        if (watch.gone)
            return; // the host closed the effect: nothing of these notices is left to touch
    }
    deliveries = watch.outer;
    if (outermost)
        deliveringThread.store(0, std::memory_order_release);
}

} // namespace tovrel
