#include "engine/BlockPath.h"

#include <cstdlib>
#include <cstring>

#if TOVREL_HAS_AVX2_PATH
#include <cpuid.h>
#endif

namespace tovrel {

namespace {

#if TOVREL_HAS_AVX2_PATH
// AVX2 instructions, and the system saving the vector registers' upper halves across task
// switches (without that the registers exist but are unusable).
bool processorRunsAvx2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const unsigned osSavesState = 1u << 27, avx = 1u << 28;
    if ((c & osSavesState) == 0 || (c & avx) == 0)
        return false;
    unsigned savedLow = 0, savedHigh = 0;
    __asm__ volatile("xgetbv" : "=a"(savedLow), "=d"(savedHigh) : "c"(0));
    const unsigned sseAndAvxState = 0x6;
    if ((savedLow & sseAndAvxState) != sseAndAvxState)
        return false;
    if (__get_cpuid_max(0, nullptr) < 7)
        return false;
    __cpuid_count(7, 0, a, b, c, d);
    const unsigned avx2 = 1u << 5;
    return (b & avx2) != 0;
}
#endif

BlockPath choosePath() {
    // Deliberate, documented (README) exception to "the plug-in reads no environment variables".
    const char* wanted = std::getenv("TOVREL_BLOCK_PATH");
    if (wanted != nullptr && std::strcmp(wanted, "sse2") == 0)
        return BlockPath::sse2;
    return blockPathAvailable(BlockPath::avx2) ? BlockPath::avx2 : BlockPath::sse2;
}

} // namespace

bool blockPathAvailable(BlockPath path) {
#if TOVREL_HAS_AVX2_PATH
    static const bool avx2 = processorRunsAvx2();
    return path == BlockPath::sse2 || avx2;
#else
    return path == BlockPath::sse2;
#endif
}

BlockPath chosenBlockPath() {
    static const BlockPath path = choosePath();
    return path;
}

const char* blockPathName(BlockPath path) {
    return path == BlockPath::avx2 ? "AVX2" : "SSE2";
}

} // namespace tovrel
