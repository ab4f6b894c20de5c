// CheckPlatform and CheckVersion: the Windows family and major version.
#include <windows.h>

#include "export.h"
#include "version_map.h"

namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(qsetup::kPlatformWin32s == VER_PLATFORM_WIN32s);
static_assert(qsetup::kPlatformWin32Windows == VER_PLATFORM_WIN32_WINDOWS);
static_assert(qsetup::kPlatformWin32NT == VER_PLATFORM_WIN32_NT);

// Asked afresh on every call. GetVersionExA's result is not tested: when it
// fails the record stays zero, which reads as Win32s with major version 0.
OSVERSIONINFOA QueryVersion()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    return info;
}

} // namespace

// Reads only the platform's version record; no argument is read or written.
// Returns 2 for Win32s, 1 for the Windows 95 family (and unknown platforms),
// 0 for the NT family.
QSETUP_API CheckPlatform(HWND, int*, char*)
{
    return qsetup::PlatformCode(QueryVersion().dwPlatformId);
}

// Reads only the platform's version record; no argument is read or written.
// Returns 4 when the major version is 4 or later, else 0.
QSETUP_API CheckVersion(HWND, int*, char*)
{
    return qsetup::VersionCode(QueryVersion().dwMajorVersion);
}
