#include "gui/platform/win32/COleSession.h"

#include <ole2.h>

namespace tovrel {

void COleSession::begin() {
    end();
    // S_FALSE (the thread had OLE already) counts too: it has to be matched like S_OK.
    initialised = SUCCEEDED(OleInitialize(nullptr));
    thread = GetCurrentThreadId();
}

void COleSession::end() {
    // On another thread the count is not ours to take: the opening thread keeps one count, which
    // harms nobody, rather than some other thread losing its own.
    if (initialised && thread == GetCurrentThreadId())
        OleUninitialize();
    initialised = false;
}

} // namespace tovrel
