#pragma once

#include <map>
#include <string>

typedef struct _XDisplay Display;

namespace tovrel {

// What a process and its X server hold at one moment, to show that an editor leaves nothing
// behind when it closes: take one census before the editor opens and one after it closed, and
// compare them.
struct ResourceCensus {
    int threads{0};         // entries of /proc/self/task
    int fileDescriptors{0}; // entries of /proc/self/fd, the census's own not counted
    // The server's clients and, per client (keyed by its resource base), the resources it holds,
    // through the X-Resource extension; -1 and empty when the server lacks it.
    int xClients{-1};
    std::map<unsigned long, long> resourcesPerClient;
    // Child windows of the window given to take(); 0 without one.
    int windowChildren{0};

    // Counts now. `display` may be null (no X counts); `window` 0 (no children counted).
    static ResourceCensus take(Display* display, unsigned long window);

    // Every count the same (the children of the same window).
    bool operator==(const ResourceCensus& other) const;
    bool operator!=(const ResourceCensus& other) const { return !(*this == other); }

    // One line per count, for test messages.
    std::string describe() const;
};

} // namespace tovrel
