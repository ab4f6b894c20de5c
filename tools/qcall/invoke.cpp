#include "invoke.h"

// The stack pointer is kept in esi, which every Windows calling convention
// preserves, so that the caller can see how many argument bytes the export
// removed and repair the stack whatever the export did.
extern "C" std::int32_t qcall_invoke(const void* function, const std::uint32_t* arguments,
                                     std::uint32_t count, std::int32_t* leftOnStack);

asm(R"(
    .text
    .globl _qcall_invoke
    .def _qcall_invoke; .scl 2; .type 32; .endef
_qcall_invoke:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    pushl %ebx
    movl %esp, %esi
    movl 16(%ebp), %ecx
    movl 12(%ebp), %edx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl %esi, %ecx
    subl %esp, %ecx
    movl %esi, %esp
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    popl %ebx
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

namespace qcall {

Outcome Invoke(const void* function, const std::vector<std::uint32_t>& arguments)
{
    Outcome outcome{};
    outcome.result = qcall_invoke(function, arguments.data(), static_cast<std::uint32_t>(arguments.size()),
                                  &outcome.leftOnStack);
    return outcome;
}

} // namespace qcall
