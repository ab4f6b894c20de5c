// What CheckPlatform and CheckVersion make of the platform's version record.
#pragma once

#include <cstdint>

namespace qsetup {

// Platform identifiers of OSVERSIONINFOA::dwPlatformId.
inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWin32Windows = 1;
inline constexpr std::uint32_t kPlatformWin32NT = 2;

// 2 for Win32s, 0 for the NT family, 1 for the Windows 95 family and for any
// identifier the table does not know (3 is Windows CE), so it never fails.
constexpr int PlatformCode(std::uint32_t platformId)
{
    switch (platformId) {
    case kPlatformWin32s:
        return 2;
    case kPlatformWin32NT:
        return 0;
    default:
        return 1;
    }
}

// A yes/no answer coded as 4 or 0: every major version from 4 up (5, 6, 10...)
// gives 4, so a newer Windows never reaches the script as a new value.
constexpr int VersionCode(std::uint32_t majorVersion)
{
    return majorVersion >= 4 ? 4 : 0;
}

} // namespace qsetup
