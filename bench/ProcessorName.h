#pragma once

#include <string>

namespace tovrel {

// The processor's name as it gives it, with its family and model numbers ("AMD EPYC, family 26
// model 2"), for the figures that benchmarks print: the same code runs at different speeds on
// different processor families.
std::string processorName();

} // namespace tovrel
