// The mode codes of OpenFile32: the flag values of the 16-bit OpenFile, each
// turned into one call of the 32-bit file functions.
#pragma once

#include <cstdint>

namespace qsetup {

enum class FileCall {
    None,           // an unknown code: no platform call at all
    Open,           // CreateFileA; the handle goes to the caller
    OpenAndClose,   // CreateFileA, then CloseHandle: only whether it opened counts
    Delete,         // DeleteFileA
};

// The platform's values (checked against <windows.h> where the table is used).
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kShareNone = 0;
inline constexpr std::uint32_t kShareRead = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;

struct OpenMode {
    std::int32_t code;
    FileCall call;
    std::uint32_t access;
    std::uint32_t sharing;
    std::uint32_t creation;
};

// Reading shares with other readers; every mode that writes shares nothing.
inline constexpr OpenMode kOpenModes[] = {
    {0x0000, FileCall::Open, kGenericRead, kShareRead, kOpenExisting},                        // OF_READ
    {0x0001, FileCall::Open, kGenericWrite, kShareNone, kOpenExisting},                       // OF_WRITE
    {0x0002, FileCall::Open, kGenericRead | kGenericWrite, kShareNone, kOpenExisting},        // OF_READWRITE
    {0x0200, FileCall::Delete, 0, 0, 0},                                                      // OF_DELETE
    {0x1000, FileCall::Open, kGenericRead | kGenericWrite, kShareNone, kCreateAlways},        // OF_CREATE
    {0x4000, FileCall::OpenAndClose, kGenericRead, kShareRead, kOpenExisting},                // OF_EXIST
};

// The row of `code`, matched as a whole: a code with any further bit (a
// sharing flag of OpenFile, say) is not one of the six and makes no call.
constexpr OpenMode FindOpenMode(std::int32_t code)
{
    for (const OpenMode& mode : kOpenModes) {
        if (mode.code == code)
            return mode;
    }
    return {code, FileCall::None, 0, 0, 0};
}

} // namespace qsetup
