#include "tools/x11host/ResourceCensus.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

#include <dirent.h>

namespace tovrel {

namespace {

// The entries of a /proc folder, leaving out "." and ".." and the folder's own descriptor.
int countEntries(const char* folder) {
    DIR* dir = opendir(folder);
    if (dir == nullptr)
        return -1;
    const std::string own = std::to_string(dirfd(dir));
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != own)
            ++count;
    }
    closedir(dir);
    return count;
}

} // namespace

ResourceCensus ResourceCensus::take(Display* display, unsigned long window) {
    ResourceCensus census;
    census.threads = countEntries("/proc/self/task");
    census.fileDescriptors = countEntries("/proc/self/fd");
    if (display == nullptr)
        return census;
    int eventBase = 0;
    int errorBase = 0;
    XResClient* clients = nullptr;
    int clientCount = 0;
    if (XResQueryExtension(display, &eventBase, &errorBase) &&
        XResQueryClients(display, &clientCount, &clients)) {
        census.xClients = clientCount;
        for (int i = 0; i < clientCount; ++i) {
            XResType* types = nullptr;
            int typeCount = 0;
            long total = 0;
            if (XResQueryClientResources(display, clients[i].resource_base, &typeCount, &types)) {
                for (int t = 0; t < typeCount; ++t)
                    total += static_cast<long>(types[t].count);
                XFree(types);
            }
            census.resourcesPerClient[clients[i].resource_base] = total;
        }
        XFree(clients);
    }
    if (window != 0) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int childCount = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &childCount))
            census.windowChildren = static_cast<int>(childCount);
        if (children != nullptr)
            XFree(children);
    }
    return census;
}

bool ResourceCensus::operator==(const ResourceCensus& other) const {
    return threads == other.threads && fileDescriptors == other.fileDescriptors &&
           xClients == other.xClients && resourcesPerClient == other.resourcesPerClient &&
           windowChildren == other.windowChildren;
}

std::string ResourceCensus::describe() const {
    std::string text = "threads " + std::to_string(threads) + ", file descriptors " +
                       std::to_string(fileDescriptors) + ", X clients " + std::to_string(xClients) +
                       ", window children " + std::to_string(windowChildren) + "\n";
    for (const auto& [base, count] : resourcesPerClient)
        text += "  client " + std::to_string(base) + ": " + std::to_string(count) + " resources\n";
    return text;
}

} // namespace tovrel
