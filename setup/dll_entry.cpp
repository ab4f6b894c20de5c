#include <windows.h>

#include "module.h"

namespace {

// Written once by the loader's process-attach notification, before any export
// can run; only read afterwards.
HINSTANCE g_module = nullptr;

} // namespace

namespace qsetup {

HINSTANCE ModuleHandle()
{
    return g_module;
}

} // namespace qsetup

// Keeps the module handle on process attach; every notification succeeds.
extern "C" BOOL WINAPI DllEntry(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = module;
    return TRUE;
}
