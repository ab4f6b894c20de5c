#include "trace.h"

#include "import_patch.h"
#include "report.h"
#include "text.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qcall {
namespace {

// Long data is cut in the transcript; the call itself is passed on whole.
constexpr DWORD kShownBytes = 256;

std::string Str(const char* text) { return text == nullptr ? "null" : Quote(text); }

std::string Bytes(const void* data, DWORD size)
{
    if (data == nullptr)
        return "null";
    const auto* bytes = static_cast<const char*>(data);
    if (size <= kShownBytes)
        return Quote(std::string_view(bytes, size));
    return Quote(std::string_view(bytes, kShownBytes)) + "...";
}

std::string U(DWORD value) { return std::to_string(value); }
std::string Ptr(const void* p) { return p == nullptr ? "null" : "&"; }
std::string Handle(HANDLE h) { return h == nullptr ? "null" : HandleText(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h))); }

// BOOL results: the value, and on failure the error the call left.
std::string Bool(BOOL result, DWORD error)
{
    if (result)
        return U(static_cast<DWORD>(result));
    const std::string name = ErrorName(error);
    return "0 (error " + U(error) + (name.empty() ? "" : " " + name) + ")";
}

std::string Flags(DWORD value, std::initializer_list<std::pair<DWORD, const char*>> names)
{
    std::string text;
    DWORD rest = value;
    for (const auto& [bit, name] : names) {
        if (bit != 0 && (rest & bit) == bit) {
            text += (text.empty() ? "" : "|") + std::string(name);
            rest &= ~bit;
        }
    }
    if (rest != 0 || text.empty())
        text += (text.empty() ? "" : "|") + Hex(rest);
    return text;
}

std::string Access(DWORD access)
{
    return Flags(access, {{GENERIC_READ, "GENERIC_READ"}, {GENERIC_WRITE, "GENERIC_WRITE"},
                          {GENERIC_EXECUTE, "GENERIC_EXECUTE"}, {GENERIC_ALL, "GENERIC_ALL"}});
}

std::string Share(DWORD share)
{
    if (share == 0)
        return "0";
    return Flags(share, {{FILE_SHARE_READ, "FILE_SHARE_READ"}, {FILE_SHARE_WRITE, "FILE_SHARE_WRITE"},
                         {FILE_SHARE_DELETE, "FILE_SHARE_DELETE"}});
}

std::string Creation(DWORD creation)
{
    static const char* const names[] = {"0", "CREATE_NEW", "CREATE_ALWAYS", "OPEN_EXISTING",
                                        "OPEN_ALWAYS", "TRUNCATE_EXISTING"};
    return creation < 6 ? names[creation] : Hex(creation);
}

std::string Attributes(DWORD attributes)
{
    return attributes == FILE_ATTRIBUTE_NORMAL ? "FILE_ATTRIBUTE_NORMAL" : Hex(attributes);
}

std::string Sam(REGSAM sam)
{
    struct { REGSAM sam; const char* name; } const names[] = {
        {KEY_ALL_ACCESS, "KEY_ALL_ACCESS"}, {KEY_READ | KEY_WRITE, "KEY_READ|KEY_WRITE"},
        {KEY_READ, "KEY_READ"}, {KEY_WRITE, "KEY_WRITE"},
    };
    for (const auto& n : names)
        if (n.sam == sam)
            return Hex(sam) + " " + n.name;
    return Hex(sam);
}

std::string RegType(DWORD type)
{
    static const char* const names[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY",
                                        "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ"};
    return type < 8 ? names[type] : U(type);
}

std::string Method(DWORD method)
{
    static const char* const names[] = {"FILE_BEGIN", "FILE_CURRENT", "FILE_END"};
    return method < 3 ? names[method] : U(method);
}

// Prints one trace line; keeps the last-error value the traced call left,
// since the caller of the export may read it.
void Trace(const std::string& text)
{
    const DWORD error = GetLastError();
    PrintNewBoxes();
    Line("  trace " + text);
    SetLastError(error);
}

// The platform function behind each recorder, one slot per function (several
// share a type: RegDeleteKeyA and RegDeleteValueA, CloseHandle and FindClose).
#define REAL(name) decltype(&name) Real##name = nullptr;
REAL(RegOpenKeyExA)
REAL(RegOpenKeyA)
REAL(RegCreateKeyExA)
REAL(RegCreateKeyA)
REAL(RegEnumValueA)
REAL(RegEnumKeyExA)
REAL(RegQueryValueExA)
REAL(RegSetValueExA)
REAL(RegDeleteValueA)
REAL(RegDeleteKeyA)
REAL(RegCloseKey)
REAL(WritePrivateProfileStringA)
REAL(GetPrivateProfileStringA)
REAL(GetShortPathNameA)
REAL(GetWindowsDirectoryA)
REAL(CreateFileA)
REAL(DeleteFileA)
REAL(ReadFile)
REAL(WriteFile)
REAL(SetFilePointer)
REAL(CloseHandle)
REAL(FindFirstFileA)
REAL(FindClose)
REAL(GetVersionExA)
#define ORIGINAL(name) (*Real##name)

// ---- advapi32 -------------------------------------------------------------

// The label of a key that an open or create handed back, for its trace line.
std::string NewKeyLabel(PHKEY result)
{
    return " " + NewLabel(LabelKind::Key, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(*result)));
}

LSTATUS WINAPI TraceRegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM sam, PHKEY result)
{
    const LSTATUS status = ORIGINAL(RegOpenKeyExA)(root, path, options, sam, result);
    const DWORD error = GetLastError();
    std::string line = "RegOpenKeyExA(" + KeyText(root) + ", " + Str(path) + ", " + U(options) + ", " +
                       Sam(sam) + ") -> " + StatusText(status);
    if (status == ERROR_SUCCESS && result != nullptr)
        line += NewKeyLabel(result);
    SetLastError(error);
    Trace(line);
    return status;
}

LSTATUS WINAPI TraceRegOpenKeyA(HKEY root, LPCSTR path, PHKEY result)
{
    const LSTATUS status = ORIGINAL(RegOpenKeyA)(root, path, result);
    std::string line = "RegOpenKeyA(" + KeyText(root) + ", " + Str(path) + ") -> " + StatusText(status);
    if (status == ERROR_SUCCESS && result != nullptr)
        line += NewKeyLabel(result);
    Trace(line);
    return status;
}

LSTATUS WINAPI TraceRegCreateKeyExA(HKEY root, LPCSTR path, DWORD reserved, LPSTR keyClass, DWORD options,
                                    REGSAM sam, const LPSECURITY_ATTRIBUTES security, PHKEY result,
                                    LPDWORD disposition)
{
    const LSTATUS status = ORIGINAL(RegCreateKeyExA)(root, path, reserved, keyClass, options, sam, security,
                                                     result, disposition);
    std::string line = "RegCreateKeyExA(" + KeyText(root) + ", " + Str(path) + ", " + U(options) + ", " +
                       Sam(sam) + ") -> " + StatusText(status);
    if (status == ERROR_SUCCESS && result != nullptr) {
        line += NewKeyLabel(result);
        if (disposition != nullptr)
            line += *disposition == REG_CREATED_NEW_KEY ? " created" : " opened";
    }
    Trace(line);
    return status;
}

LSTATUS WINAPI TraceRegCreateKeyA(HKEY root, LPCSTR path, PHKEY result)
{
    const LSTATUS status = ORIGINAL(RegCreateKeyA)(root, path, result);
    std::string line = "RegCreateKeyA(" + KeyText(root) + ", " + Str(path) + ") -> " + StatusText(status);
    if (status == ERROR_SUCCESS && result != nullptr)
        line += NewKeyLabel(result);
    Trace(line);
    return status;
}

LSTATUS WINAPI TraceRegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameRoom, LPDWORD reserved,
                                  LPDWORD type, LPBYTE data, LPDWORD dataRoom)
{
    const DWORD nameGiven = nameRoom != nullptr ? *nameRoom : 0;
    const DWORD dataGiven = dataRoom != nullptr ? *dataRoom : 0;
    const LSTATUS status = ORIGINAL(RegEnumValueA)(key, index, name, nameRoom, reserved, type, data, dataRoom);
    std::string line = "RegEnumValueA(" + KeyText(key) + ", " + U(index) + ", name room " + U(nameGiven) +
                       ", data room " + (data != nullptr ? U(dataGiven) : "null") + ") -> " + StatusText(status);
    if (status == ERROR_SUCCESS) {
        if (name != nullptr && nameRoom != nullptr)
            line += " name " + Quote(std::string_view(name, *nameRoom));
        if (type != nullptr)
            line += " type " + RegType(*type);
        if (data != nullptr && dataRoom != nullptr)
            line += " data " + Bytes(data, *dataRoom);
    }
    Trace(line);
    return status;
}

LSTATUS WINAPI TraceRegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameRoom, LPDWORD reserved,
                                  LPSTR keyClass, LPDWORD classRoom, PFILETIME written)
{
    const LSTATUS status =
        ORIGINAL(RegEnumKeyExA)(key, index, name, nameRoom, reserved, keyClass, classRoom, written);
    std::string line = "RegEnumKeyExA(" + KeyText(key) + ", " + U(index) + ") -> " + StatusText(status);
    if (status == ERROR_SUCCESS && name != nullptr && nameRoom != nullptr)
        line += " name " + Quote(std::string_view(name, *nameRoom));
    Trace(line);
    return status;
}

LSTATUS WINAPI TraceRegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                     LPDWORD dataRoom)
{
    const DWORD dataGiven = dataRoom != nullptr ? *dataRoom : 0;
    const LSTATUS status = ORIGINAL(RegQueryValueExA)(key, name, reserved, type, data, dataRoom);
    std::string line = "RegQueryValueExA(" + KeyText(key) + ", " + Str(name) + ", data room " +
                       (data != nullptr ? U(dataGiven) : "null") + ") -> " + StatusText(status);
    if (status == ERROR_SUCCESS) {
        if (type != nullptr)
            line += " type " + RegType(*type);
        if (data != nullptr && dataRoom != nullptr)
            line += " data " + Bytes(data, *dataRoom);
    }
    Trace(line);
    return status;
}

LSTATUS WINAPI TraceRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                   DWORD size)
{
    const LSTATUS status = ORIGINAL(RegSetValueExA)(key, name, reserved, type, data, size);
    Trace("RegSetValueExA(" + KeyText(key) + ", " + Str(name) + ", " + U(reserved) + ", " + RegType(type) +
          ", " + Bytes(data, size) + ", " + U(size) + ") -> " + StatusText(status));
    return status;
}

LSTATUS WINAPI TraceRegDeleteValueA(HKEY key, LPCSTR name)
{
    const LSTATUS status = ORIGINAL(RegDeleteValueA)(key, name);
    Trace("RegDeleteValueA(" + KeyText(key) + ", " + Str(name) + ") -> " + StatusText(status));
    return status;
}

LSTATUS WINAPI TraceRegDeleteKeyA(HKEY root, LPCSTR path)
{
    const LSTATUS status = ORIGINAL(RegDeleteKeyA)(root, path);
    Trace("RegDeleteKeyA(" + KeyText(root) + ", " + Str(path) + ") -> " + StatusText(status));
    return status;
}

LSTATUS WINAPI TraceRegCloseKey(HKEY key)
{
    const std::string shown = KeyText(key);
    const LSTATUS status = ORIGINAL(RegCloseKey)(key);
    if (status == ERROR_SUCCESS)
        MarkClosed(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key)));
    Trace("RegCloseKey(" + shown + ") -> " + StatusText(status));
    return status;
}

// ---- kernel32 -------------------------------------------------------------

BOOL WINAPI TraceWritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    const BOOL result = ORIGINAL(WritePrivateProfileStringA)(section, key, value, file);
    Trace("WritePrivateProfileStringA(" + Str(section) + ", " + Str(key) + ", " + Str(value) + ", " + Str(file) +
          ") -> " + Bool(result, GetLastError()));
    return result;
}

DWORD WINAPI TraceGetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD room,
                                           LPCSTR file)
{
    const DWORD result = ORIGINAL(GetPrivateProfileStringA)(section, key, fallback, buffer, room, file);
    std::string line = "GetPrivateProfileStringA(" + Str(section) + ", " + Str(key) + ", " + Str(fallback) +
                       ", room " + U(room) + ", " + Str(file) + ") -> " + U(result);
    if (buffer != nullptr && result < room)
        line += " " + Quote(std::string_view(buffer, result));
    Trace(line);
    return result;
}

DWORD WINAPI TraceGetShortPathNameA(LPCSTR path, LPSTR buffer, DWORD room)
{
    const DWORD result = ORIGINAL(GetShortPathNameA)(path, buffer, room);
    const DWORD error = GetLastError();
    std::string line = "GetShortPathNameA(" + Str(path) + ", room " + U(room) + ") -> " + U(result);
    if (result == 0) {
        const std::string name = ErrorName(error);
        line += " (error " + U(error) + (name.empty() ? "" : " " + name) + ")";
    } else if (buffer != nullptr && result < room) {
        line += " " + Quote(std::string_view(buffer, result));
    }
    SetLastError(error);
    Trace(line);
    return result;
}

UINT WINAPI TraceGetWindowsDirectoryA(LPSTR buffer, UINT room)
{
    const UINT result = ORIGINAL(GetWindowsDirectoryA)(buffer, room);
    std::string line = "GetWindowsDirectoryA(room " + U(room) + ") -> " + U(result);
    if (buffer != nullptr && result > 0 && result < room)
        line += " " + Quote(std::string_view(buffer, result));
    Trace(line);
    return result;
}

HANDLE WINAPI TraceCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD creation, DWORD attributes, HANDLE model)
{
    const HANDLE result = ORIGINAL(CreateFileA)(name, access, share, security, creation, attributes, model);
    const DWORD error = GetLastError();
    std::string line = "CreateFileA(" + Str(name) + ", " + Access(access) + ", " + Share(share) + ", " +
                       Ptr(security) + ", " + Creation(creation) + ", " + Attributes(attributes) + ", " +
                       Handle(model) + ") -> ";
    if (result == INVALID_HANDLE_VALUE) {
        const std::string errorName = ErrorName(error);
        line += "INVALID_HANDLE_VALUE (error " + U(error) + (errorName.empty() ? "" : " " + errorName) + ")";
    } else {
        line += NewLabel(LabelKind::File, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(result)));
    }
    SetLastError(error);
    Trace(line);
    return result;
}

BOOL WINAPI TraceDeleteFileA(LPCSTR name)
{
    const BOOL result = ORIGINAL(DeleteFileA)(name);
    Trace("DeleteFileA(" + Str(name) + ") -> " + Bool(result, GetLastError()));
    return result;
}

BOOL WINAPI TraceReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped)
{
    const BOOL result = ORIGINAL(ReadFile)(file, buffer, count, done, overlapped);
    std::string line = "ReadFile(" + Handle(file) + ", buffer, " + U(count) + ", " + Ptr(done) + ", " +
                       Ptr(overlapped) + ") -> " + Bool(result, GetLastError());
    if (result && done != nullptr)
        line += " read " + U(*done) + " " + Bytes(buffer, *done);
    Trace(line);
    return result;
}

BOOL WINAPI TraceWriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped)
{
    const BOOL result = ORIGINAL(WriteFile)(file, buffer, count, done, overlapped);
    std::string line = "WriteFile(" + Handle(file) + ", " + Bytes(buffer, count) + ", " + U(count) + ", " +
                       Ptr(done) + ", " + Ptr(overlapped) + ") -> " + Bool(result, GetLastError());
    if (result && done != nullptr)
        line += " written " + U(*done);
    Trace(line);
    return result;
}

DWORD WINAPI TraceSetFilePointer(HANDLE file, LONG distance, PLONG high, DWORD method)
{
    const DWORD result = ORIGINAL(SetFilePointer)(file, distance, high, method);
    const DWORD error = GetLastError();
    std::string line = "SetFilePointer(" + Handle(file) + ", " + std::to_string(distance) + ", " +
                       (high == nullptr ? "null" : "&" + std::to_string(*high)) + ", " + Method(method) +
                       ") -> ";
    if (result == INVALID_SET_FILE_POINTER) {
        const std::string name = ErrorName(error);
        line += "INVALID_SET_FILE_POINTER (error " + U(error) + (name.empty() ? "" : " " + name) + ")";
    } else {
        line += U(result);
    }
    SetLastError(error);
    Trace(line);
    return result;
}

BOOL WINAPI TraceCloseHandle(HANDLE handle)
{
    const std::string shown = Handle(handle);
    const BOOL result = ORIGINAL(CloseHandle)(handle);
    if (result)
        MarkClosed(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle)));
    Trace("CloseHandle(" + shown + ") -> " + Bool(result, GetLastError()));
    return result;
}

HANDLE WINAPI TraceFindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA found)
{
    const HANDLE result = ORIGINAL(FindFirstFileA)(name, found);
    const DWORD error = GetLastError();
    std::string line = "FindFirstFileA(" + Str(name) + ") -> ";
    if (result == INVALID_HANDLE_VALUE) {
        const std::string errorName = ErrorName(error);
        line += "INVALID_HANDLE_VALUE (error " + U(error) + (errorName.empty() ? "" : " " + errorName) + ")";
    } else {
        line += NewLabel(LabelKind::Find, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(result)));
        if (found != nullptr)
            line += " " + Quote(found->cFileName);
    }
    SetLastError(error);
    Trace(line);
    return result;
}

BOOL WINAPI TraceFindClose(HANDLE find)
{
    const std::string shown = Handle(find);
    const BOOL result = ORIGINAL(FindClose)(find);
    if (result)
        MarkClosed(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(find)));
    Trace("FindClose(" + shown + ") -> " + Bool(result, GetLastError()));
    return result;
}

BOOL WINAPI TraceGetVersionExA(LPOSVERSIONINFOA info)
{
    const DWORD size = info != nullptr ? info->dwOSVersionInfoSize : 0;
    const BOOL result = ORIGINAL(GetVersionExA)(info);
    std::string line = "GetVersionExA(" + std::string(info == nullptr ? "null" : "size " + U(size)) + ") -> " +
                       Bool(result, GetLastError());
    if (result && info != nullptr)
        line += " platform " + U(info->dwPlatformId) + " version " + U(info->dwMajorVersion) + "." +
                U(info->dwMinorVersion) + " build " + U(info->dwBuildNumber);
    Trace(line);
    return result;
}

struct Hook {
    const char* dll;
    const char* name;
    const void* recorder;
    void** original;
};

template <typename F>
Hook Make(const char* dll, const char* name, F recorder, F* real)
{
    return {dll, name, reinterpret_cast<const void*>(recorder), reinterpret_cast<void**>(real)};
}

#define HOOK(dll, name) Make<decltype(&name)>(dll, #name, &Trace##name, &Real##name)

const std::vector<Hook>& Hooks()
{
    static const std::vector<Hook> hooks = {
        HOOK("ADVAPI32.dll", RegOpenKeyExA),    HOOK("ADVAPI32.dll", RegOpenKeyA),
        HOOK("ADVAPI32.dll", RegCreateKeyExA),  HOOK("ADVAPI32.dll", RegCreateKeyA),
        HOOK("ADVAPI32.dll", RegEnumValueA),    HOOK("ADVAPI32.dll", RegEnumKeyExA),
        HOOK("ADVAPI32.dll", RegQueryValueExA), HOOK("ADVAPI32.dll", RegSetValueExA),
        HOOK("ADVAPI32.dll", RegDeleteValueA),  HOOK("ADVAPI32.dll", RegDeleteKeyA),
        HOOK("ADVAPI32.dll", RegCloseKey),
        HOOK("KERNEL32.dll", WritePrivateProfileStringA), HOOK("KERNEL32.dll", GetPrivateProfileStringA),
        HOOK("KERNEL32.dll", GetShortPathNameA),          HOOK("KERNEL32.dll", GetWindowsDirectoryA),
        HOOK("KERNEL32.dll", CreateFileA),    HOOK("KERNEL32.dll", DeleteFileA),
        HOOK("KERNEL32.dll", ReadFile),       HOOK("KERNEL32.dll", WriteFile),
        HOOK("KERNEL32.dll", SetFilePointer), HOOK("KERNEL32.dll", CloseHandle),
        HOOK("KERNEL32.dll", FindFirstFileA), HOOK("KERNEL32.dll", FindClose),
        HOOK("KERNEL32.dll", GetVersionExA),
    };
    return hooks;
}

std::vector<std::unique_ptr<harness::ImportPatch>>& Patches()
{
    static std::vector<std::unique_ptr<harness::ImportPatch>> patches;
    return patches;
}

} // namespace

void TraceModule(HMODULE module)
{
    for (const Hook& hook : Hooks()) {
        auto patch = std::make_unique<harness::ImportPatch>(module, hook.dll, hook.name, hook.recorder);
        if (!*patch)
            continue;
        // Every DLL's slot held the same platform function, so the first one found serves all.
        if (*hook.original == nullptr)
            *hook.original = patch->original<void*>();
        Patches().push_back(std::move(patch));
    }
}

} // namespace qcall
