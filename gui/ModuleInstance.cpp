#include "gui/ModuleInstance.h"

namespace tovrel {

void* moduleInstance = nullptr;

} // namespace tovrel
