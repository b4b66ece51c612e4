#include "gui/platform/win32/CFileDropTarget.h"

#include "gui/CDropData.h"
#include "gui/CFrame.h"
#include "gui/CPaintContext.h"
#include "gui/Ref.h"

#include <mutex>

namespace tovrel {

namespace {

// The drag that began last and is not over yet, for whoever asks; not owned. Each target owns the
// drop data of its own drag, and only the target's thread changes its count. Editors of several
// instances may show drags on several threads at once, so the record is read and changed under the
// lock; the lock is never held while a view runs.
std::mutex dropLock;
CDropData* activeDrop = nullptr;

void setEffect(DWORD* effect, DWORD value) {
    if (effect)
        *effect = value;
}

// One drag event for the frame, at the cursor's position in window coordinates: the point OLE
// passes is not used.
template <typename Route> void routeAtCursor(CFrame* frame, Route route) {
    const Ref<CPaintContext> context = frame->makePaintContext();
    CPos where;
    frame->getPointerPosition(context.get(), where);
    route(context.get(), where);
}

} // namespace

CFileDropTarget::CFileDropTarget(CFrame* owner) : frame(owner) {}

CFileDropTarget::~CFileDropTarget() {
    endDrag();
}

CDropData* CFileDropTarget::activeDropData() {
    const std::lock_guard<std::mutex> lock(dropLock);
    return activeDrop;
}

void CFileDropTarget::beginDrag(IDataObject* data) {
    // A drag that was never closed by a leave or a drop gives way to the new one.
    endDrag();
    drag = makeRef<CDropData>(data);
    const std::lock_guard<std::mutex> lock(dropLock);
    activeDrop = drag.get();
}

void CFileDropTarget::endDrag() {
    if (!drag)
        return;
    {
        const std::lock_guard<std::mutex> lock(dropLock);
        if (activeDrop == drag.get())
            activeDrop = nullptr;
    }
    drag.reset();
}

void CFileDropTarget::detach() {
    endDrag();
    frame = nullptr;
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::QueryInterface(REFIID interfaceId, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IDropTarget) || IsEqualIID(interfaceId, IID_IUnknown)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CFileDropTarget::AddRef() {
    return static_cast<ULONG>(++comRefs);
}

ULONG STDMETHODCALLTYPE CFileDropTarget::Release() {
    const LONG remaining = --comRefs;
    if (remaining > 0)
        return static_cast<ULONG>(remaining);
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::DragEnter(IDataObject* data, DWORD /*keyState*/, POINTL /*point*/,
                                                     DWORD* effect) {
    if (!data || !frame) {
        setEffect(effect, DROPEFFECT_NONE);
        return S_OK;
    }
    beginDrag(data);
    bool accepted = false;
    routeAtCursor(frame, [this, &accepted](CPaintContext* context, CPos where) {
        accepted = frame->handleDragEnter(context, drag.get(), where);
    });
    // The cursor promises a move only where a view would take the items.
    setEffect(effect, accepted ? DROPEFFECT_MOVE : DROPEFFECT_NONE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::DragOver(DWORD /*keyState*/, POINTL /*point*/, DWORD* effect) {
    if (!drag || !frame) {
        // Without a frame (the editor closed during the drag) nothing here takes anything.
        if (!frame)
            setEffect(effect, DROPEFFECT_NONE);
        return S_OK;
    }
    bool accepted = false;
    routeAtCursor(frame, [this, &accepted](CPaintContext* context, CPos where) {
        accepted = frame->handleDragMove(context, drag.get(), where);
    });
    setEffect(effect, accepted ? DROPEFFECT_MOVE : DROPEFFECT_NONE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::DragLeave() {
    if (!drag || !frame)
        return S_OK;
    routeAtCursor(frame, [this](CPaintContext* context, CPos where) {
        frame->handleDragLeave(context, drag.get(), where);
    });
    endDrag();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::Drop(IDataObject* /*data*/, DWORD /*keyState*/, POINTL /*point*/,
                                                DWORD* effect) {
    // Nothing here takes the items, so the source must not believe they were moved: a source
    // deletes what it has moved.
    setEffect(effect, DROPEFFECT_NONE);
    if (!drag || !frame)
        return S_OK;
    routeAtCursor(
        frame, [this](CPaintContext* context, CPos where) { frame->handleDrop(context, drag.get(), where); });
    endDrag();
    return S_OK;
}

} // namespace tovrel
