// OpenFile32, _lclose32, _lread32, _lwrite32, _llseek32: the 16-bit file
// functions' calling pattern over the 32-bit ones. The integer handles are
// CreateFileA's handles unchanged; the last-error value is left as the failing
// platform call set it.
#include <windows.h>

#include "export.h"
#include "open_mode.h"

namespace {

static_assert(qsetup::kGenericRead == GENERIC_READ && qsetup::kGenericWrite == GENERIC_WRITE);
static_assert(qsetup::kShareRead == FILE_SHARE_READ);
static_assert(qsetup::kCreateAlways == CREATE_ALWAYS && qsetup::kOpenExisting == OPEN_EXISTING);
static_assert(qsetup::FindOpenMode(OF_READ).call == qsetup::FileCall::Open);
static_assert(qsetup::FindOpenMode(OF_DELETE).call == qsetup::FileCall::Delete);
static_assert(qsetup::FindOpenMode(OF_EXIST).call == qsetup::FileCall::OpenAndClose);

// What a successful OF_DELETE returns: a constant, not a handle.
constexpr int kDeleted = 6;

HANDLE ToHandle(int file)
{
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file));
}

int FromHandle(HANDLE handle)
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(handle));
}

} // namespace

// Reads the file name and the mode code; the second argument is neither read
// nor written. Returns the open handle, 6 for a delete, the already closed
// handle's value for OF_EXIST, or -1 (also for an unknown code, which makes no
// platform call).
QSETUP_API OpenFile32(const char* fileName, void*, int mode)
{
    using namespace qsetup;

    const OpenMode row = FindOpenMode(mode);
    switch (row.call) {
    case FileCall::None:
        return -1;
    case FileCall::Delete:
        return DeleteFileA(fileName) ? kDeleted : -1;
    case FileCall::Open:
    case FileCall::OpenAndClose:
        break;
    }
    const HANDLE handle = CreateFileA(fileName, row.access, row.sharing, nullptr, row.creation,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE && row.call == FileCall::OpenAndClose)
        CloseHandle(handle);
    return FromHandle(handle);
}

// Closes the handle. Returns 0, or -1 when CloseHandle fails.
QSETUP_API _lclose32(int file)
{
    return CloseHandle(ToHandle(file)) ? 0 : -1;
}

// Reads up to `count` bytes into the caller's buffer. Returns the bytes read
// (0 at the end of the file), or -1 when ReadFile fails.
QSETUP_API _lread32(int file, void* buffer, unsigned int count)
{
    DWORD read = 0;
    if (!ReadFile(ToHandle(file), buffer, count, &read, nullptr))
        return -1;
    return static_cast<int>(read);
}

// Writes `count` bytes from the caller's buffer. Returns the bytes written, or
// -1 when WriteFile fails.
QSETUP_API _lwrite32(int file, const void* buffer, unsigned int count)
{
    DWORD written = 0;
    if (!WriteFile(ToHandle(file), buffer, count, &written, nullptr))
        return -1;
    return static_cast<int>(written);
}

// Moves the file pointer by a 32-bit distance from `origin` (FILE_BEGIN,
// FILE_CURRENT, FILE_END). Returns SetFilePointer's result unchanged: the low
// 32 bits of the new position, or -1.
QSETUP_API _llseek32(int file, long distance, int origin)
{
    return static_cast<int>(SetFilePointer(ToHandle(file), distance, nullptr, static_cast<DWORD>(origin)));
}
