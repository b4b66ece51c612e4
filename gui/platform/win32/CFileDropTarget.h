#pragma once

#include "gui/CDropData.h"
#include "gui/Ref.h"

#include <windows.h>

#include <ole2.h>

namespace tovrel {

class CFrame;

// The OLE drop target of the frame window: turns each call of a drag over the window into the
// frame's drag routing, with the position read from the cursor. Its registration holds its only
// reference; revoking the registration destroys it, unless a drag in progress still holds the
// target, in which case the frame detaches it first and it refuses everything from then on.
// COM objects are never deleted through their interface, only through Release: the interface is a
// private base (its destructor, which the system headers leave plain, is then nobody else's
// business), and comInterface() hands it to the system.
class CFileDropTarget : private IDropTarget {
public:
    explicit CFileDropTarget(CFrame* frame);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    virtual ~CFileDropTarget();

    CFileDropTarget(const CFileDropTarget&) = delete;
    CFileDropTarget& operator=(const CFileDropTarget&) = delete;

    IDropTarget* comInterface() { return this; }

    // The drop data of the drag that began last, over any target of the process; null between
    // drags. Not a reference: the target of that drag may end it on its own thread at any time.
    static CDropData* activeDropData();

    // Cuts the target off its frame when the frame gives up its window: the platform's drag loop
    // keeps the target it last entered across events, so a drag that is over the editor when it
    // closes still calls here. A drag this target had begun is ended.
    void detach();
    bool isAttached() const { return frame != nullptr; }

private:
    void beginDrag(IDataObject* data);
    void endDrag();

    LONG comRefs{0};
    CFrame* frame{nullptr}; // not owned
    Ref<CDropData> drag;    // this target's drag in progress: its own, whatever other targets do
};

} // namespace tovrel
