// qremove: the removal hooks against the real registry and Windows directory,
// with qremove's own platform calls recorded and injected through its imports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fixtures.h"
#include "import_patch.h"

using namespace harness;

namespace {

using HookFn = int(WINAPI*)(DWORD, DWORD, DWORD);

constexpr char kExchangeKey[] = "SOFTWARE\\Microsoft\\Exchange";
constexpr char kExchangeClientKey[] = "SOFTWARE\\Microsoft\\Exchange\\Client";
constexpr char kExtensionsKey[] = "SOFTWARE\\Microsoft\\Exchange\\Client\\Extensions";
constexpr char kOtherUserKey[] = ".DEFAULT\\Software\\Tarvolin";
constexpr DWORD kJunk = 0xDEADBEEF;

std::string DataFilePath()
{
    return WindowsDirectory() + "\\extend.dat";
}

// ---------------------------------------------------------------------------
// The product's footprint and a readable picture of the trees it lives in.

struct FootprintKey {
    HKEY root;
    const char* path;
    std::vector<RegValue> values;
};

std::vector<FootprintKey> ProductKeys()
{
    return {
        {HKEY_CLASSES_ROOT, ".qx", {Sz("", "QUILLET.ATT")}},
        {HKEY_CLASSES_ROOT, "QUILLET.ATT", {Sz("", "Quillet Document")}},
        {HKEY_CLASSES_ROOT, "QUILLET.ATT\\shell\\open\\command", {Sz("", "C:\\QUILLET\\QRUNNER.EXE \"%1\"")}},
        {HKEY_CLASSES_ROOT, "QUILLET.ATT\\DefaultIcon", {Sz("", "C:\\QUILLET\\QRUNNER.EXE,1")}},
        {HKEY_CURRENT_USER, "Software\\Tarvolin\\quill95\\2.0\\Guard", {Sz("Enabled", "1"), Sz("Level", "3")}},
        {HKEY_CURRENT_USER, "Software\\Tarvolin\\quill95\\2.0\\General", {Sz("WorkDir", "C:\\QUILLET\\WORK")}},
        {HKEY_LOCAL_MACHINE, kExtensionsKey,
         {Sz("Exchange Forms", "4.0;C:\\EXCHANGE\\FORMS.DLL;1"), Sz("QuilletGuard", "4.0;C:\\QUILLET\\QGUARD.DLL;1"),
          Sz("Schedule+", "4.0;C:\\SCHDPLUS\\MSSPC32.DLL;1")}},
        // Another user's copy of the product's keys: not the caller's to remove.
        {HKEY_USERS, ".DEFAULT\\Software\\Tarvolin\\quill95\\2.0\\Guard", {Sz("Enabled", "1")}},
    };
}

void BuildKey(HKEY root, const char* path, const std::vector<RegValue>& values)
{
    UniqueKey key = CreateKey(root, path);
    ASSERT_TRUE(key) << path;
    for (const RegValue& value : values)
        SetValue(key.get(), value);
}

// Removes the parents that the footprint created, but not when something
// else lives in them.
void DeleteIfEmpty(HKEY root, const char* path)
{
    DWORD subkeys = 0;
    DWORD values = 0;
    {
        UniqueKey key;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
            return;
        if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
    }
    if (subkeys == 0 && values == 0)
        RegDeleteKeyA(root, path);
}

void BuildFootprint()
{
    for (const FootprintKey& key : ProductKeys())
        BuildKey(key.root, key.path, key.values);
    WriteFileBytes(DataFilePath(), "extend data");
    ASSERT_TRUE(FileExists(DataFilePath()));
}

std::string Describe(const RegValue& value)
{
    std::string text = (value.name.empty() ? "(default)" : value.name) + " = ";
    if (value.type == REG_SZ) {
        std::string data(value.data.begin(), value.data.end());
        data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
        return text + "\"" + data + "\"";
    }
    return text + "type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) + " bytes";
}

// The key, its values and all its subkeys, one line each: "ROOT\path" for a
// key, "ROOT\path | name = data" for a value.
void SnapshotTree(HKEY root, const std::string& rootName, const std::string& path, std::vector<std::string>& lines)
{
    UniqueKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    const std::string keyName = rootName + "\\" + path;
    lines.push_back(keyName);
    for (const RegValue& value : ReadValues(root, path.c_str()))
        lines.push_back(keyName + " | " + Describe(value));
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, length);
    }
    for (const std::string& subkey : subkeys)
        SnapshotTree(root, rootName, path + "\\" + subkey, lines);
}

// Every tree the clean-up reaches into, and the neighbours it must leave.
std::vector<std::string> Snapshot()
{
    std::vector<std::string> lines;
    SnapshotTree(HKEY_CLASSES_ROOT, "HKCR", ".qx", lines);
    SnapshotTree(HKEY_CLASSES_ROOT, "HKCR", "QUILLET.ATT", lines);
    SnapshotTree(HKEY_CURRENT_USER, "HKCU", "Software\\Tarvolin", lines);
    SnapshotTree(HKEY_USERS, "HKU", kOtherUserKey, lines);
    SnapshotTree(HKEY_LOCAL_MACHINE, "HKLM", kExtensionsKey, lines);
    return lines;
}

// `lines` without the listed keys (and their values) and the listed value lines.
std::vector<std::string> Without(const std::vector<std::string>& lines, const std::vector<std::string>& keys,
                                 const std::vector<std::string>& values = {})
{
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        const std::string key = line.substr(0, line.find(" | "));
        bool drop = false;
        for (const std::string& k : keys)
            drop = drop || key == k;
        for (const std::string& v : values)
            drop = drop || line == v;
        if (!drop)
            kept.push_back(line);
    }
    return kept;
}

// The keys of the removal list, as Snapshot names them.
const std::vector<std::string> kListedKeys = {
    "HKCR\\.qx",
    "HKCR\\QUILLET.ATT\\shell\\open\\command",
    "HKCR\\QUILLET.ATT\\shell\\open",
    "HKCR\\QUILLET.ATT\\shell",
    "HKCR\\QUILLET.ATT\\DefaultIcon",
    "HKCR\\QUILLET.ATT",
    "HKCU\\Software\\Tarvolin\\quill95\\2.0\\Guard",
    "HKCU\\Software\\Tarvolin\\quill95\\2.0\\General",
    "HKCU\\Software\\Tarvolin\\quill95\\2.0",
    "HKCU\\Software\\Tarvolin\\quill95",
};
const std::string kGuardValueLine =
    std::string("HKLM\\") + kExtensionsKey + " | QuilletGuard = \"4.0;C:\\QUILLET\\QGUARD.DLL;1\"";

std::vector<std::string> Except(const std::vector<std::string>& all, const std::vector<std::string>& stay)
{
    std::vector<std::string> rest;
    for (const std::string& item : all) {
        bool keep = false;
        for (const std::string& s : stay)
            keep = keep || item == s;
        if (!keep)
            rest.push_back(item);
    }
    return rest;
}

// ---------------------------------------------------------------------------
// Recording qremove's platform calls. The hooks pass every call on to the
// test program's own (unpatched) import of the same function, unless a row
// injects a Windows directory.

struct Recording {
    std::vector<std::string> calls;
    HKEY opened = nullptr;
    HANDLE search = INVALID_HANDLE_VALUE;

    bool injectDirectory = false;
    bool writeDirectory = false;
    std::string directory;   // written into qremove's buffer when it fits
    UINT directoryResult = 0; // what the injected GetWindowsDirectoryA returns
    char* directoryBuffer = nullptr;
    UINT directorySize = 0;
    std::vector<std::string> overruns; // copies or appends that would pass 259 bytes
};

Recording g_rec;

std::string KeyName(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT)
        return "HKCR";
    if (key == HKEY_CURRENT_USER)
        return "HKCU";
    if (key == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (key != nullptr && key == g_rec.opened)
        return "opened";
    return "other";
}

LSTATUS WINAPI RecordRegDeleteKeyA(HKEY key, LPCSTR path)
{
    g_rec.calls.push_back("RegDeleteKeyA " + KeyName(key) + " " + path);
    return RegDeleteKeyA(key, path);
}

LSTATUS WINAPI RecordRegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result)
{
    const LSTATUS status = RegOpenKeyExA(root, path, options, access, result);
    char detail[64];
    wsprintfA(detail, " options %lu access 0x%lX -> %ld", options, access, status);
    g_rec.calls.push_back("RegOpenKeyExA " + KeyName(root) + " " + path + detail);
    if (status == ERROR_SUCCESS)
        g_rec.opened = *result;
    return status;
}

LSTATUS WINAPI RecordRegDeleteValueA(HKEY key, LPCSTR name)
{
    g_rec.calls.push_back("RegDeleteValueA " + KeyName(key) + " " + name);
    return RegDeleteValueA(key, name);
}

LSTATUS WINAPI RecordRegCloseKey(HKEY key)
{
    g_rec.calls.push_back("RegCloseKey " + KeyName(key));
    return RegCloseKey(key);
}

UINT WINAPI RecordGetWindowsDirectoryA(LPSTR buffer, UINT size)
{
    g_rec.calls.push_back("GetWindowsDirectoryA " + std::to_string(size));
    if (!g_rec.injectDirectory)
        return GetWindowsDirectoryA(buffer, size);
    g_rec.directoryBuffer = buffer;
    g_rec.directorySize = size;
    // Junk in the caller's buffer shows a text used without its terminator.
    std::memset(buffer, 0xBD, size);
    if (g_rec.writeDirectory && g_rec.directory.size() < size)
        std::memcpy(buffer, g_rec.directory.c_str(), g_rec.directory.size() + 1);
    if (g_rec.directoryResult == 0)
        SetLastError(ERROR_ACCESS_DENIED);
    return g_rec.directoryResult;
}

HANDLE WINAPI RecordFindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA found)
{
    if (g_rec.injectDirectory) {
        // The injected directories are not on this machine; nothing may be deleted there.
        g_rec.calls.push_back(std::string("FindFirstFileA ") + path + " -> invalid");
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE search = FindFirstFileA(path, found);
    g_rec.calls.push_back(std::string("FindFirstFileA ") + path +
                          (search == INVALID_HANDLE_VALUE ? " -> invalid" : " -> search"));
    g_rec.search = search;
    return search;
}

BOOL WINAPI RecordFindClose(HANDLE search)
{
    g_rec.calls.push_back(search == g_rec.search && search != INVALID_HANDLE_VALUE ? "FindClose search"
                                                                                    : "FindClose other");
    return FindClose(search);
}

BOOL WINAPI RecordDeleteFileA(LPCSTR path)
{
    g_rec.calls.push_back(std::string("DeleteFileA ") + path);
    if (g_rec.injectDirectory)
        return FALSE;
    return DeleteFileA(path);
}

// Copies and appends are checked before they run, so an overrun is reported
// instead of corrupting qremove's stack.
bool FitsPathBuffer(LPSTR dest, std::size_t length, const char* what)
{
    if (dest == g_rec.directoryBuffer && dest != nullptr)
        g_rec.overruns.push_back(std::string(what) + " into the directory buffer");
    if (length + 1 > MAX_PATH) {
        g_rec.overruns.push_back(std::string(what) + " to " + std::to_string(length) + " bytes");
        return false;
    }
    return true;
}

LPSTR WINAPI CheckedLstrcpyA(LPSTR dest, LPCSTR src)
{
    if (!FitsPathBuffer(dest, strnlen(src, 4096), "lstrcpyA"))
        return nullptr;
    return lstrcpyA(dest, src);
}

LPSTR WINAPI CheckedLstrcatA(LPSTR dest, LPCSTR src)
{
    if (!FitsPathBuffer(dest, strnlen(dest, 4096) + strnlen(src, 4096), "lstrcatA"))
        return nullptr;
    return lstrcatA(dest, src);
}

// Installs the recording hooks on qremove's imports for its lifetime.
class CallRecorder {
public:
    explicit CallRecorder(HMODULE dll, bool checkTextCalls = false)
    {
        g_rec = Recording{};
        Patch(dll, "ADVAPI32.dll", "RegDeleteKeyA", reinterpret_cast<const void*>(&RecordRegDeleteKeyA));
        Patch(dll, "ADVAPI32.dll", "RegOpenKeyExA", reinterpret_cast<const void*>(&RecordRegOpenKeyExA));
        Patch(dll, "ADVAPI32.dll", "RegDeleteValueA", reinterpret_cast<const void*>(&RecordRegDeleteValueA));
        Patch(dll, "ADVAPI32.dll", "RegCloseKey", reinterpret_cast<const void*>(&RecordRegCloseKey));
        Patch(dll, "KERNEL32.dll", "GetWindowsDirectoryA", reinterpret_cast<const void*>(&RecordGetWindowsDirectoryA));
        Patch(dll, "KERNEL32.dll", "FindFirstFileA", reinterpret_cast<const void*>(&RecordFindFirstFileA));
        Patch(dll, "KERNEL32.dll", "FindClose", reinterpret_cast<const void*>(&RecordFindClose));
        Patch(dll, "KERNEL32.dll", "DeleteFileA", reinterpret_cast<const void*>(&RecordDeleteFileA));
        if (checkTextCalls) {
            Patch(dll, "KERNEL32.dll", "lstrcpyA", reinterpret_cast<const void*>(&CheckedLstrcpyA));
            Patch(dll, "KERNEL32.dll", "lstrcatA", reinterpret_cast<const void*>(&CheckedLstrcatA));
        }
    }
    bool complete() const { return complete_; }

private:
    void Patch(HMODULE dll, const char* from, const char* name, const void* hook)
    {
        patches_.push_back(std::make_unique<ImportPatch>(dll, from, name, hook));
        if (!*patches_.back()) {
            ADD_FAILURE() << "qremove does not import " << name << " from " << from;
            complete_ = false;
        }
    }
    std::vector<std::unique_ptr<ImportPatch>> patches_;
    bool complete_ = true;
};

// The calls of the ten key steps, in list order.
std::vector<std::string> KeyStepCalls()
{
    return {
        "RegDeleteKeyA HKCR .qx",
        "RegDeleteKeyA HKCR QUILLET.ATT\\shell\\open\\command",
        "RegDeleteKeyA HKCR QUILLET.ATT\\shell\\open",
        "RegDeleteKeyA HKCR QUILLET.ATT\\shell",
        "RegDeleteKeyA HKCR QUILLET.ATT\\DefaultIcon",
        "RegDeleteKeyA HKCR QUILLET.ATT",
        "RegDeleteKeyA HKCU Software\\Tarvolin\\quill95\\2.0\\Guard",
        "RegDeleteKeyA HKCU Software\\Tarvolin\\quill95\\2.0\\General",
        "RegDeleteKeyA HKCU Software\\Tarvolin\\quill95\\2.0",
        "RegDeleteKeyA HKCU Software\\Tarvolin\\quill95",
    };
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string kOpenExtensions =
    std::string("RegOpenKeyExA HKLM ") + kExtensionsKey + " options 0 access 0x20006 -> ";

// ---------------------------------------------------------------------------

class RemovalTest : public testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        dll_ = LoadTestLibrary("qremove.dll");
        ASSERT_TRUE(dll_) << "LoadLibraryA(qremove.dll) failed: " << GetLastError();
        initialize_ = Export<HookFn>(dll_.get(), "UninstInitialize");
        uninitialize_ = Export<HookFn>(dll_.get(), "UninstUnInitialize");
        ASSERT_NE(initialize_, nullptr);
        ASSERT_NE(uninitialize_, nullptr);
    }
    void TearDown() override
    {
        dll_.reset();
        Clean();
    }
    void Clean() const
    {
        DeleteTree(HKEY_CLASSES_ROOT, ".qx");
        DeleteTree(HKEY_CLASSES_ROOT, "QUILLET.ATT");
        DeleteTree(HKEY_CURRENT_USER, "Software\\Tarvolin");
        DeleteTree(HKEY_USERS, kOtherUserKey);
        DeleteTree(HKEY_LOCAL_MACHINE, kExtensionsKey);
        DeleteIfEmpty(HKEY_LOCAL_MACHINE, kExchangeClientKey);
        DeleteIfEmpty(HKEY_LOCAL_MACHINE, kExchangeKey);
        RemovePath(DataFilePath());
    }

    UniqueLibrary dll_;
    HookFn initialize_ = nullptr;
    HookFn uninitialize_ = nullptr;
};

} // namespace

TEST_F(RemovalTest, FootprintIsWhatTheTestsExpect)
{
    // HKEY_CURRENT_USER and another user's keys must be different trees, or the
    // neighbour below proves nothing.
    BuildKey(HKEY_CURRENT_USER, "Software\\Tarvolin\\quill95", {Sz("probe", "caller")});
    EXPECT_TRUE(ReadValues(HKEY_USERS, ".DEFAULT\\Software\\Tarvolin\\quill95").empty());
    DeleteTree(HKEY_CURRENT_USER, "Software\\Tarvolin");

    BuildFootprint();
    const std::vector<std::string> lines = Snapshot();
    for (const std::string& key : kListedKeys) {
        SCOPED_TRACE(key);
        EXPECT_NE(std::find(lines.begin(), lines.end(), key), lines.end());
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), kGuardValueLine), lines.end());
}

TEST_F(RemovalTest, UninitializeWithoutInitializeRemovesTheList)
{
    BuildFootprint();
    const std::vector<std::string> before = Snapshot();

    EXPECT_EQ(uninitialize_(kJunk, kJunk, kJunk), 0);

    // What stays: "Software\Tarvolin" (now empty), the other user's keys, the
    // Exchange key with its two other values.
    EXPECT_EQ(Snapshot(), Without(before, kListedKeys, {kGuardValueLine}));
    EXPECT_EQ(ReadValues(HKEY_CURRENT_USER, "Software\\Tarvolin"), std::vector<RegValue>{});
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Tarvolin"));
    const std::vector<RegValue> extensions = ReadValues(HKEY_LOCAL_MACHINE, kExtensionsKey);
    ASSERT_EQ(extensions.size(), 2u);
    for (const RegValue& value : extensions) {
        SCOPED_TRACE(value.name);
        EXPECT_TRUE(value == Sz("Exchange Forms", "4.0;C:\\EXCHANGE\\FORMS.DLL;1") ||
                    value == Sz("Schedule+", "4.0;C:\\SCHDPLUS\\MSSPC32.DLL;1"));
    }
    EXPECT_FALSE(FileExists(DataFilePath()));
}

TEST_F(RemovalTest, InitializeChangesNothing)
{
    BuildFootprint();
    const std::vector<std::string> before = Snapshot();
    {
        CallRecorder recorder(dll_.get());
        ASSERT_TRUE(recorder.complete());
        EXPECT_EQ(initialize_(kJunk, 0, kJunk), 0);
        EXPECT_EQ(g_rec.calls, std::vector<std::string>{});
    }
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(ReadFileBytes(DataFilePath()), "extend data");

    // The usual order, initialise then clean up, removes the list just the same.
    EXPECT_EQ(uninitialize_(0, 0, 0), 0);
    EXPECT_EQ(Snapshot(), Without(before, kListedKeys, {kGuardValueLine}));
    EXPECT_FALSE(FileExists(DataFilePath()));
}

TEST_F(RemovalTest, SecondCallChangesNothing)
{
    BuildFootprint();
    EXPECT_EQ(uninitialize_(0, 0, 0), 0);
    const std::vector<std::string> after = Snapshot();
    ASSERT_FALSE(after.empty());

    EXPECT_EQ(uninitialize_(0, 0, 0), 0);
    EXPECT_EQ(Snapshot(), after);
    EXPECT_FALSE(FileExists(DataFilePath()));
}

TEST_F(RemovalTest, NoFootprintChangesNothing)
{
    EXPECT_EQ(uninitialize_(kJunk, kJunk, kJunk), 0);
    EXPECT_EQ(Snapshot(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kExtensionsKey));
    EXPECT_FALSE(FileExists(DataFilePath()));
}

// Every step is tried once per call, in list order, whatever the earlier ones
// achieved; the Exchange key is opened for writing only and closed again, and
// the search handle is closed.
TEST_F(RemovalTest, StepsRunOnceInOrder)
{
    const std::string dataFile = DataFilePath();
    const std::string findData = "FindFirstFileA " + dataFile;
    struct Row {
        const char* name;
        void (*prepare)(HookFn uninitialize);
        std::vector<std::string> tail; // the calls after the ten key steps
    } const rows[] = {
        {"whole footprint", [](HookFn) { BuildFootprint(); },
         {kOpenExtensions + "0", "RegDeleteValueA opened QuilletGuard", "RegCloseKey opened",
          "GetWindowsDirectoryA 260", findData + " -> search", "FindClose search", "DeleteFileA " + dataFile}},
        {"nothing there: the open fails and nothing is closed", [](HookFn) {},
         {kOpenExtensions + "2", "GetWindowsDirectoryA 260", findData + " -> invalid"}},
        {"after a complete clean-up: the key opens, the value is gone",
         [](HookFn uninitialize) {
             BuildFootprint();
             uninitialize(0, 0, 0);
         },
         {kOpenExtensions + "0", "RegDeleteValueA opened QuilletGuard", "RegCloseKey opened",
          "GetWindowsDirectoryA 260", findData + " -> invalid"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clean();
        row.prepare(uninitialize_);
        CallRecorder recorder(dll_.get());
        ASSERT_TRUE(recorder.complete());
        EXPECT_EQ(uninitialize_(0, 0, 0), 0);
        EXPECT_EQ(g_rec.calls, Concat(KeyStepCalls(), row.tail));
    }
}

// The registry refuses to delete a key that still has subkeys (Wine answers
// status 5, as Windows NT does): a listed key holding a subkey outside the list
// stays with it and its parents, and every later step still runs.
TEST_F(RemovalTest, KeyWithForeignSubkeyStays)
{
    struct Row {
        const char* name;
        HKEY root;
        const char* extraKey;
        std::vector<std::string> stay; // listed keys that must remain
    } const rows[] = {
        {"print verb of the class", HKEY_CLASSES_ROOT, "QUILLET.ATT\\shell\\print\\command",
         {"HKCR\\QUILLET.ATT\\shell", "HKCR\\QUILLET.ATT"}},
        {"below the open command", HKEY_CLASSES_ROOT, "QUILLET.ATT\\shell\\open\\command\\ddeexec",
         {"HKCR\\QUILLET.ATT\\shell\\open\\command", "HKCR\\QUILLET.ATT\\shell\\open", "HKCR\\QUILLET.ATT\\shell",
          "HKCR\\QUILLET.ATT"}},
        {"below the file type", HKEY_CLASSES_ROOT, ".qx\\ShellNew", {"HKCR\\.qx"}},
        {"another version's settings", HKEY_CURRENT_USER, "Software\\Tarvolin\\quill95\\2.0\\Extra",
         {"HKCU\\Software\\Tarvolin\\quill95\\2.0", "HKCU\\Software\\Tarvolin\\quill95"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clean();
        BuildFootprint();
        BuildKey(row.root, row.extraKey, {Sz("", "kept")});
        const std::vector<std::string> before = Snapshot();

        EXPECT_EQ(uninitialize_(0, 0, 0), 0);

        EXPECT_EQ(Snapshot(), Without(before, Except(kListedKeys, row.stay), {kGuardValueLine}));
        EXPECT_FALSE(FileExists(DataFilePath()));
    }
}

TEST_F(RemovalTest, DataFileThatCannotBeDeletedStays)
{
    const std::string dataFile = DataFilePath();
    struct Row {
        const char* name;
        bool directory;
    } const rows[] = {
        {"read-only file", false},
        {"directory named extend.dat", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clean();
        BuildFootprint();
        RemovePath(dataFile);
        if (row.directory) {
            ASSERT_TRUE(CreateDirectoryA(dataFile.c_str(), nullptr));
        } else {
            WriteFileBytes(dataFile, "kept data");
            ASSERT_TRUE(SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        const std::vector<std::string> before = Snapshot();

        {
            CallRecorder recorder(dll_.get());
            ASSERT_TRUE(recorder.complete());
            EXPECT_EQ(uninitialize_(0, 0, 0), 0);
            // The delete is tried and refused.
            ASSERT_GE(g_rec.calls.size(), 3u);
            EXPECT_EQ(g_rec.calls.back(), "DeleteFileA " + dataFile);
            EXPECT_EQ(g_rec.calls[g_rec.calls.size() - 2], "FindClose search");
        }

        const DWORD attributes = GetFileAttributesA(dataFile.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        if (row.directory) {
            EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
        } else {
            EXPECT_NE(attributes & FILE_ATTRIBUTE_READONLY, 0u);
            EXPECT_EQ(ReadFileBytes(dataFile), "kept data");
        }
        // The registry steps ran all the same.
        EXPECT_EQ(Snapshot(), Without(before, kListedKeys, {kGuardValueLine}));
        RemovePath(dataFile);
    }
}

// Windows directories injected through GetWindowsDirectoryA: the path that
// reaches FindFirstFileA, or none when the directory cannot be used.
TEST_F(RemovalTest, DataFilePathFromInjectedDirectories)
{
    const std::string a245(245, 'A');
    constexpr char kSkipped[] = "";
    struct Row {
        const char* name;
        std::string directory;
        bool fails; // the call returns 0 and writes nothing
        UINT result; // when nonzero, returned instead of the text's length
        std::string expected; // kSkipped: FindFirstFileA is not called
    } const rows[] = {
        {"C:\\WINDOWS", "C:\\WINDOWS", false, 0, "C:\\WINDOWS\\extend.dat"},
        {"drive root gets no second backslash", "C:\\", false, 0, "C:\\extend.dat"},
        {"two-byte character with second byte 0x5C", "C:\\\x95\x5C", false, 0, "C:\\\x95\x5C\\extend.dat"},
        {"two-byte character then a backslash", "C:\\\x95\x5C\\", false, 0, "C:\\\x95\x5C\\extend.dat"},
        {"lone lead byte at the end", "C:\\W\x81", false, 0, "C:\\W\x81\\extend.dat"},
        {"248 bytes without a final backslash", "C:\\" + a245, false, 0, "C:\\" + a245 + "\\extend.dat"},
        {"249 bytes without a final backslash", "C:\\" + a245 + "B", false, 0, kSkipped},
        {"249 bytes with a final backslash", "C:\\" + a245 + "\\", false, 0, "C:\\" + a245 + "\\extend.dat"},
        {"250 bytes with a final backslash", "C:\\" + a245 + "B\\", false, 0, kSkipped},
        {"259 bytes", "C:\\" + std::string(256, 'A'), false, 0, kSkipped},
        {"failing call", "", true, 0, kSkipped},
        {"buffer too small: the result is the size needed", "", true, 300, kSkipped},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CallRecorder recorder(dll_.get(), true);
        ASSERT_TRUE(recorder.complete());
        g_rec.injectDirectory = true;
        if (!row.fails) {
            g_rec.writeDirectory = true;
            g_rec.directory = row.directory;
            g_rec.directoryResult = static_cast<UINT>(row.directory.size());
        }
        if (row.result != 0)
            g_rec.directoryResult = row.result;

        EXPECT_EQ(uninitialize_(0, 0, 0), 0);

        EXPECT_EQ(g_rec.directorySize, static_cast<UINT>(MAX_PATH));
        EXPECT_EQ(g_rec.overruns, std::vector<std::string>{});
        std::vector<std::string> tail = {kOpenExtensions + "2", "GetWindowsDirectoryA 260"};
        if (!row.expected.empty()) {
            tail.push_back("FindFirstFileA " + row.expected + " -> invalid");
            EXPECT_LE(row.expected.size(), 259u);
        }
        EXPECT_EQ(g_rec.calls, Concat(KeyStepCalls(), tail));
    }
}

// ---------------------------------------------------------------------------

namespace {

DWORD WINAPI DoNothing(void*)
{
    return 0;
}

struct StackCall {
    int result;
    long popped; // bytes the callee removed from the stack
};

// Calls `fn` with three 32-bit arguments and measures how many bytes of them
// the callee removed, which a call through a typed pointer would hide.
StackCall CallMeasuringStack(HookFn fn, DWORD first, DWORD second, DWORD third)
{
    DWORD before = 0;
    DWORD after = 0;
    DWORD eax = third;
    DWORD ecx = first;
    DWORD edx = second;
    asm volatile(
        "movl %%esp, %[before]\n\t"
        "pushl %%eax\n\t"
        "pushl %%edx\n\t"
        "pushl %%ecx\n\t"
        "calll *%[fn]\n\t"
        "movl %%esp, %[after]\n\t"
        "movl %[before], %%esp\n\t"
        : "+a"(eax), "+c"(ecx), "+d"(edx), [before] "=&S"(before), [after] "=&D"(after)
        : [fn] "b"(fn)
        : "memory", "cc");
    return {static_cast<int>(eax), 12 - static_cast<long>(before - after)};
}

} // namespace

TEST(RemovalFrame, ExportsByNameAndOrdinal)
{
    // No SCOPED_TRACE here: its per-thread storage starts a watcher thread in
    // GoogleTest, and together with the thread below that crashes Wine under
    // qemu-user (pthread_exit cannot load libgcc_s there). The round goes into
    // each message instead.
    for (int round = 0; round < 3; ++round) {
        UniqueLibrary dll = LoadTestLibrary("qremove.dll");
        ASSERT_TRUE(dll) << "round " << round << ": LoadLibraryA(qremove.dll) failed: " << GetLastError();
        const FARPROC initialize = GetProcAddress(dll.get(), "UninstInitialize");
        const FARPROC uninitialize = GetProcAddress(dll.get(), "UninstUnInitialize");
        ASSERT_NE(initialize, nullptr) << "round " << round;
        ASSERT_NE(uninitialize, nullptr) << "round " << round;
        EXPECT_EQ(GetProcAddress(dll.get(), MAKEINTRESOURCEA(1)), initialize) << "round " << round;
        EXPECT_EQ(GetProcAddress(dll.get(), MAKEINTRESOURCEA(2)), uninitialize) << "round " << round;
        EXPECT_EQ(GetProcAddress(dll.get(), "UninstInitialize@12"), nullptr) << "round " << round;
        EXPECT_EQ(GetProcAddress(dll.get(), "_UninstUnInitialize@12"), nullptr) << "round " << round;

        // Thread attach and detach reach the entry routine and must not fail the load.
        HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
        ASSERT_NE(thread, nullptr) << "round " << round;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

TEST(RemovalFrame, HooksRemoveTwelveBytesAndReturnZero)
{
    UniqueLibrary dll = LoadTestLibrary("qremove.dll");
    ASSERT_TRUE(dll);
    struct Row {
        const char* name;
        DWORD first, second, third;
    } const rows[] = {
        {"zeros", 0, 0, 0},
        {"junk", kJunk, kJunk, kJunk},
        {"mixed", 1, 0xFFFFFFFF, 0x80000000},
    };
    const char* const exports[] = {"UninstInitialize", "UninstUnInitialize"};
    for (const char* name : exports) {
        const HookFn hook = Export<HookFn>(dll.get(), name);
        ASSERT_NE(hook, nullptr) << name;
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(name) + ", " + row.name);
            // Nothing of the footprint is there; the clean-up only tries its steps.
            const StackCall call = CallMeasuringStack(hook, row.first, row.second, row.third);
            EXPECT_EQ(call.result, 0);
            EXPECT_EQ(call.popped, 12);
        }
    }
}
