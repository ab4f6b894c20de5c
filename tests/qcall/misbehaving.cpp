// A DLL that breaks the call forms on purpose, for the warnings of qcall: each
// export carries the name of a real export and does one thing a real one
// must not.
#include <windows.h>

extern "C" {

// cdecl: leaves its twelve argument bytes on the stack.
__declspec(dllexport) int __cdecl GetName(HWND, int*, char*)
{
    return 1;
}

// Writes two bytes past the text's NUL.
__declspec(dllexport) int __stdcall DelSpase(HWND, int*, char* text)
{
    const int length = lstrlenA(text);
    text[length + 1] = 'X';
    text[length + 2] = 'Y';
    return 1;
}

// Opens the key and never closes it.
__declspec(dllexport) int __stdcall EnumExchangeExt(HWND, int*, char*)
{
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key);
    return 0;
}

// Fills the argument it must ignore.
__declspec(dllexport) int __stdcall OpenFile32(const char*, void* ignored, int)
{
    static_cast<char*>(ignored)[0] = 0;
    return -1;
}

// Reads through a null pointer.
__declspec(dllexport) int __stdcall CheckVersion(HWND, int* integer, char*)
{
    return *static_cast<volatile int*>(integer) + 4;
}

} // extern "C"
