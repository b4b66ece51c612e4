#include "gui/CDropData.h"

#include <windows.h>

#include <ole2.h>
#include <shellapi.h>

namespace tovrel {

namespace {

FORMATETC formatOf(CLIPFORMAT format) {
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

} // namespace

CDropData::CDropData(IDataObject* data) : dataObject(data) {
    if (!dataObject)
        return;
    // Text first: data offered both as text and as files counts as one text item.
    FORMATETC format = formatOf(CF_TEXT);
    STGMEDIUM medium{};
    if (dataObject->GetData(&format, &medium) == S_OK) {
        itemCount = 1;
        ReleaseStgMedium(&medium);
        return;
    }
    format = formatOf(CF_HDROP);
    medium = STGMEDIUM{};
    if (dataObject->GetData(&format, &medium) == S_OK) {
        itemCount =
            static_cast<int32_t>(DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0xFFFFFFFF, nullptr, 0));
        ReleaseStgMedium(&medium);
    }
}

} // namespace tovrel
