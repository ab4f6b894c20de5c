// Calling convention of every qsetup export: stdcall, the callee removes its
// arguments. The exported names come from qsetup.def, not from decoration.
#pragma once

#define QSETUP_API extern "C" int __stdcall
