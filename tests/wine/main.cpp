#include <gtest/gtest.h>

#include <windows.h>

#include "import_patch.h"

namespace {

// GoogleTest hands every failure to OutputDebugStringA as well. Wine raises a
// debug-print exception for it, and unwinding from that handler crashed the
// 32-bit loader under qemu, ending the run at its first failure.
void WINAPI IgnoreDebugString(LPCSTR)
{
}

} // namespace

int main(int argc, char** argv)
{
    // A crash in a DLL under test must end the test process, not wait for a
    // debugger dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    harness::ImportPatch quiet(GetModuleHandleA(nullptr), "KERNEL32.dll", "OutputDebugStringA", &IgnoreDebugString);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
