// Calling convention of every qremove export: stdcall, the callee removes its
// arguments. The exported names and ordinals come from qremove.def.
#pragma once

#define QREMOVE_API extern "C" int __stdcall
