#pragma once

#include "host/PluginEffect.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

namespace tovrel {

// The notices an editor's window thread makes to the host (automation, begin and end of an edit
// gesture), handed to the host's own thread where the window has a thread of its own (X11).
//
// A host calls the editor's idle on its GUI thread; while it does so, the window thread's notices
// wait here, in order, and the next idle call delivers them there. So the window thread never
// calls into the host while the host may be waiting for it to stop (a close from the host's
// thread), and the host hears of its parameters on the thread it expects. A host that gives no
// idle time (none for `kHostIdleTrust` milliseconds since the last or since the editor opened)
// gets the notices from the window thread instead, or nothing would ever reach it.
class HostNotices final : public HostNoticeRouter {
public:
    explicit HostNotices(PluginEffect* effect);
    ~HostNotices();

    HostNotices(const HostNotices&) = delete;
    HostNotices& operator=(const HostNotices&) = delete;

    // The thread whose notices wait for the host's (0: none, every notice is called at once);
    // the host has `kHostIdleTrust` from then on to give its first idle time.
    void keepNoticesOf(unsigned long thread);
    // The window thread's idle turn: delivers what waits if the host has stopped giving idle time.
    void windowIdled();
    // The host's idle call, on its thread, at the platform's tick `now`: delivers what waits.
    void hostIdled(uint32_t now);
    // Delivers the waiting notices in order on the calling thread. Another thread delivering
    // meanwhile keeps them; a host that answers a notice by closing the editor (and so delivering
    // again) gets the rest from that inner delivery, still in order.
    void deliver();

    bool keepForHost(int32_t opcode, int32_t index, float value) override;

    static constexpr uint32_t kHostIdleTrust = 2000;

private:
    struct Notice {
        int32_t opcode;
        int32_t index;
        float value;
    };
    // One delivery on the stack, told when these notices are destroyed under it (the host closed
    // the whole effect from a notice).
    struct DeliveryWatch {
        bool gone{false};
        DeliveryWatch* outer{nullptr};
    };

    bool hostIdlesNow() const;

    PluginEffect* effect; // not owned: the effect owns the editor that owns these notices
    mutable std::mutex lock;
    std::deque<Notice> waiting; // under `lock`
    std::atomic<unsigned long> keptThread{0};
    std::atomic<unsigned long> deliveringThread{0};
    std::atomic<uint32_t> lastHostIdle{0}; // set when a thread's notices start to be kept
    DeliveryWatch* deliveries{nullptr};    // the delivering thread's, innermost first
};

} // namespace tovrel
