#include "MisalignedCall.h"

#include <cstddef>
#include <cstring>

#if !defined(__i386__)
#error "the misaligned-stack trampoline is 32-bit x86 code"
#endif

namespace tovrel::test {

uint32_t word(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The trampoline in 32-bit cdecl: keeps the callee-saved registers, builds the argument block below
// the current frame at the requested distance from a 16-byte boundary, calls, records the result
// registers (and st(0) for a float result, which also pops the x87 stack as a caller must), and
// restores the caller's stack pointer from the frame pointer, whatever the callee left.
static_assert(offsetof(MisalignedCall, function) == 0 && offsetof(MisalignedCall, arguments) == 4 &&
              offsetof(MisalignedCall, argumentCount) == 8 && offsetof(MisalignedCall, offset) == 12 &&
              offsetof(MisalignedCall, returnsFloat) == 16 && offsetof(MisalignedCall, eax) == 20 &&
              offsetof(MisalignedCall, edx) == 24 && offsetof(MisalignedCall, st0) == 28 &&
              offsetof(MisalignedCall, stackAtCall) == 32 && offsetof(MisalignedCall, stackAfterCall) == 36);

asm(R"(
    .text
    .globl _tovrel_call_misaligned
    .def _tovrel_call_misaligned; .scl 2; .type 32; .endef
_tovrel_call_misaligned:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 8(%ebp), %ebx          # the call record
    movl 8(%ebx), %ecx          # argument count
    leal 0(,%ecx,4), %edx
    movl %esp, %eax
    subl $64, %eax
    subl %edx, %eax
    andl $-16, %eax             # a 16-byte boundary well below the saved registers
    movl 12(%ebx), %edx
    andl $15, %edx
    addl %edx, %eax             # then the requested distance past it
    movl %eax, %esp
    movl 4(%ebx), %esi          # copy the argument words
    movl %esp, %edi
    cld
    rep movsl
    movl %esp, 32(%ebx)
    call *0(%ebx)
    movl %esp, 36(%ebx)
    movl %eax, 20(%ebx)
    movl %edx, 24(%ebx)
    cmpl $0, 16(%ebx)
    je 1f
    fstps 28(%ebx)
1:
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

} // namespace tovrel::test
