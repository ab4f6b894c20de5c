// How many bytes of its arguments a called function took off the stack: the
// number that tells stdcall (callee removes them) from cdecl (caller does).
// A caller built for the wrong convention would leave the stack unbalanced by
// that many bytes after every call, which the compiler's own calls may hide.
#pragma once

#include <cstdint>
#include <vector>

namespace harness {

// Calls `function` with the 32-bit `args` pushed right to left and returns the
// bytes that it removed; the stack pointer is restored either way.
inline int CalleeRemovedBytes(const void* function, const std::vector<std::uint32_t>& values)
{
    const std::uint32_t* data = values.data();
    int count = static_cast<int>(values.size());
    int moved = 0;
    __asm__ volatile(
        "movl %%esp, %%edi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%esi,%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%eax\n\t"
        "subl %%edi, %%eax\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(moved), "+c"(count)
        : "b"(function), "S"(data)
        : "edi", "edx", "memory", "cc");
    // After a stdcall return the stack pointer is back where it was before the
    // pushes (moved == 0); after a cdecl one it is still below by the pushes.
    return static_cast<int>(values.size()) * 4 + moved;
}

} // namespace harness
