#include <windows.h>

// The library keeps no state, so no notification has anything to set up or
// tear down; succeeding on every one means loading never fails on its account.
extern "C" BOOL WINAPI DllEntry(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
