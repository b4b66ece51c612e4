#pragma once

#include <cstdint>

namespace tovrel::test {

// One call through a 32-bit cdecl trampoline that places the arguments so that the stack pointer
// at the call instruction is `offset` bytes past a 16-byte boundary, as a 32-bit Windows host may
// leave it: such hosts guarantee 4-byte alignment only.
struct MisalignedCall {
    const void* function{nullptr};
    const uint32_t* arguments{nullptr};
    uint32_t argumentCount{0};
    uint32_t offset{4};
    uint32_t returnsFloat{0}; // 1 when the result comes back in the x87 register st(0)
    // Filled by the call.
    uint32_t eax{0};
    uint32_t edx{0};
    float st0{0.0f};
    uint32_t stackAtCall{0};
    uint32_t stackAfterCall{0}; // equal to stackAtCall: a cdecl callee leaves its arguments
};

// Makes the call. Arguments are 32-bit words, pushed as a cdecl caller pushes them (the first
// argument at the lowest address); the caller removes them.
extern "C" void __cdecl tovrel_call_misaligned(MisalignedCall* call);

// Helpers for the argument words.
inline uint32_t word(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}
inline uint32_t word(int32_t value) {
    return static_cast<uint32_t>(value);
}
uint32_t word(float value);

} // namespace tovrel::test
