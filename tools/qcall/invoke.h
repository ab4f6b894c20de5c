// Calls an export with a list of 32-bit arguments the way a setup engine
// does: pushed last to first, the callee removing them (stdcall).
#pragma once

#include <cstdint>
#include <vector>

namespace qcall {

struct Outcome {
    std::int32_t result;
    // Bytes of the arguments still on the stack when the export returned:
    // 0 for a stdcall export, all of them for a cdecl one.
    std::int32_t leftOnStack;
};

Outcome Invoke(const void* function, const std::vector<std::uint32_t>& arguments);

} // namespace qcall
