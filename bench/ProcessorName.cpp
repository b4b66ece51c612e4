#include "bench/ProcessorName.h"

#include <cstdio>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace tovrel {

std::string processorName() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned regs[12] = {};
    std::string name = "unknown processor";
    if (static_cast<unsigned>(__get_cpuid_max(0x80000000u, nullptr)) >= 0x80000004u) {
        for (unsigned leaf = 0; leaf < 3; ++leaf)
            __get_cpuid(0x80000002u + leaf, &regs[4 * leaf], &regs[4 * leaf + 1], &regs[4 * leaf + 2],
                        &regs[4 * leaf + 3]);
        char brand[sizeof regs + 1] = {};
        std::memcpy(brand, regs, sizeof regs);
        name = brand;
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
    }
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        // The displayed family and model, as the processor makers define them.
        const unsigned baseFamily = (a >> 8) & 0xF;
        const unsigned family = baseFamily == 0xF ? baseFamily + ((a >> 20) & 0xFF) : baseFamily;
        const unsigned model = baseFamily == 0xF || baseFamily == 0x6
                                   ? (((a >> 16) & 0xF) << 4) | ((a >> 4) & 0xF)
                                   : (a >> 4) & 0xF;
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, ", family %u model %u", family, model);
        name += numbers;
    }
    return name;
#else
    return "unknown processor";
#endif
}

} // namespace tovrel
