#pragma once

#include "gui/CRefCounted.h"

#include <cstdint>

struct IDataObject;

namespace tovrel {

// What is being dragged over the editor window, as the views see it: the platform's data object
// and how many items it holds (one for text, else the number of files).
class CDropData : public CRefCounted {
public:
    // Takes no reference on the data object: it lives as long as the drag that gave it.
    explicit CDropData(IDataObject* dataObject);

    IDataObject* getDataObject() const { return dataObject; }
    int32_t getItemCount() const { return itemCount; }

private:
    IDataObject* dataObject{nullptr};
    int32_t itemCount{0};
};

} // namespace tovrel
