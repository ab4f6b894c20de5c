// Start-up routine of a DLL that carries no C runtime: the linker's entry point.
// There is nothing to initialise (no constructors, no TLS, no heap of its own),
// so every loader notification goes straight on to the entry routine.
#include <windows.h>

#include <cstddef>

extern "C" BOOL WINAPI DllEntry(HINSTANCE module, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI DllStartup(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    return DllEntry(module, reason, reserved);
}

// GCC may emit calls to these for aggregate initialisation and copies even
// with no library linked; the DLL supplies them itself.
extern "C" void* memset(void* dest, int value, std::size_t count)
{
    auto* d = static_cast<unsigned char*>(dest);
    while (count-- != 0)
        *d++ = static_cast<unsigned char>(value);
    return dest;
}

extern "C" void* memcpy(void* dest, const void* src, std::size_t count)
{
    auto* d = static_cast<unsigned char*>(dest);
    const auto* s = static_cast<const unsigned char*>(src);
    while (count-- != 0)
        *d++ = *s++;
    return dest;
}
