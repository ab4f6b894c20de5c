// The trace: every registry, profile and file function that a loaded DLL
// imports is pointed at a recorder that passes the call on and prints it with
// its arguments and result. Only the DLL's own import table changes, so
// qcall's own calls are never recorded.
#pragma once

#include <windows.h>

namespace qcall {

// Patches the module's imports until the process ends.
void TraceModule(HMODULE module);

} // namespace qcall
