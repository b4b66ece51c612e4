#include "host/ModuleInstance.h"

namespace tovrel {

void* moduleInstance = nullptr;

} // namespace tovrel
