// Every key, handle and heap block an export opens is released again, however
// often it is called: the paired platform calls are counted through the DLLs'
// import tables (the platform's own handle count is not reliable on Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "fixtures.h"
#include "import_patch.h"
#include "message_box_catcher.h"

using namespace harness;

namespace {

using SetupCallFn = int(WINAPI*)(HWND, int*, char*);
using HookFn = int(WINAPI*)(int, int, int);
using OpenFileFn = int(WINAPI*)(const char*, void*, int);
using CloseFn = int(WINAPI*)(int);

constexpr char kExtensions[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";
constexpr int kCalls = 2000;

struct Balance {
    long keysOpened = 0, keysClosed = 0;
    long blocksAllocated = 0, blocksFreed = 0;
    long filesOpened = 0, handlesClosed = 0;
    long searchesOpened = 0, searchesClosed = 0;
};
Balance g_balance;

LONG WINAPI CountedOpenKey(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    const LONG status = RegOpenKeyExA(root, path, options, access, key);
    if (status == ERROR_SUCCESS)
        ++g_balance.keysOpened;
    return status;
}
LONG WINAPI CountedCloseKey(HKEY key)
{
    ++g_balance.keysClosed;
    return RegCloseKey(key);
}
LPVOID WINAPI CountedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size)
{
    LPVOID block = HeapAlloc(heap, flags, size);
    if (block != nullptr)
        ++g_balance.blocksAllocated;
    return block;
}
BOOL WINAPI CountedHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    if (block != nullptr)
        ++g_balance.blocksFreed;
    return HeapFree(heap, flags, block);
}
HANDLE WINAPI CountedCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD creation, DWORD attributes, HANDLE templ)
{
    HANDLE file = CreateFileA(name, access, share, security, creation, attributes, templ);
    if (file != INVALID_HANDLE_VALUE)
        ++g_balance.filesOpened;
    return file;
}
BOOL WINAPI CountedCloseHandle(HANDLE handle)
{
    const BOOL closed = CloseHandle(handle);
    if (closed)
        ++g_balance.handlesClosed;
    return closed;
}
HANDLE WINAPI CountedFindFirst(LPCSTR name, LPWIN32_FIND_DATAA data)
{
    HANDLE search = FindFirstFileA(name, data);
    if (search != INVALID_HANDLE_VALUE)
        ++g_balance.searchesOpened;
    return search;
}
BOOL WINAPI CountedFindClose(HANDLE search)
{
    ++g_balance.searchesClosed;
    return FindClose(search);
}

// Counts every paired call of one loaded DLL for the lifetime of the object.
class Counting {
public:
    explicit Counting(HMODULE dll)
    {
        g_balance = {};
        Patch(dll, "ADVAPI32.dll", "RegOpenKeyExA", &CountedOpenKey);
        Patch(dll, "ADVAPI32.dll", "RegCloseKey", &CountedCloseKey);
        Patch(dll, "KERNEL32.dll", "HeapAlloc", &CountedHeapAlloc);
        Patch(dll, "KERNEL32.dll", "HeapFree", &CountedHeapFree);
        Patch(dll, "KERNEL32.dll", "CreateFileA", &CountedCreateFile);
        Patch(dll, "KERNEL32.dll", "CloseHandle", &CountedCloseHandle);
        Patch(dll, "KERNEL32.dll", "FindFirstFileA", &CountedFindFirst);
        Patch(dll, "KERNEL32.dll", "FindClose", &CountedFindClose);
    }
    static void ExpectBalanced(long expectedCalls)
    {
        EXPECT_EQ(g_balance.keysOpened, g_balance.keysClosed);
        EXPECT_EQ(g_balance.blocksAllocated, g_balance.blocksFreed);
        EXPECT_EQ(g_balance.filesOpened, g_balance.handlesClosed);
        EXPECT_EQ(g_balance.searchesOpened, g_balance.searchesClosed);
        // The loop really went through the paths that open things.
        EXPECT_GE(g_balance.keysOpened + g_balance.blocksAllocated + g_balance.filesOpened +
                      g_balance.searchesOpened,
                  expectedCalls);
    }

private:
    template <typename F>
    void Patch(HMODULE dll, const char* from, const char* name, F hook)
    {
        // A DLL that does not import a function cannot leak what it opens.
        patches_.push_back(std::make_unique<ImportPatch>(dll, from, name, hook));
    }
    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

long g_boxes = 0;

// The failure path's box, answered at once: 2,000 real boxes take minutes
// under an emulated Wine, and the box itself is the platform's, not the DLL's.
int WINAPI AnsweredMessageBox(HWND, LPCSTR, LPCSTR, UINT)
{
    ++g_boxes;
    return IDOK;
}

void FillExtensions()
{
    UniqueKey key = CreateKey(HKEY_LOCAL_MACHINE, kExtensions);
    SetValue(key.get(), Sz("Alpha", "4.0;a.dll;1"));
    SetValue(key.get(), Sz("QuilletGuard", "4.0;q.dll;1"));
    SetValue(key.get(), Sz("Beta", "4.0;b.dll;1"));
}

} // namespace

TEST(Leaks, EnumExchangeExtReleasesEveryRecordAndKey)
{
    UniqueLibrary dll = LoadTestLibrary("qsetup.dll");
    auto enumExchangeExt = Export<SetupCallFn>(dll.get(), "EnumExchangeExt");
    ASSERT_NE(enumExchangeExt, nullptr);
    DeleteTree(HKEY_LOCAL_MACHINE, kExtensions);
    FillExtensions();
    {
        Counting counting(dll.get());
        for (int i = 0; i < kCalls; ++i) {
            char name[] = "quilletguard";
            ASSERT_EQ(enumExchangeExt(nullptr, nullptr, name), 1) << i;
        }
        Counting::ExpectBalanced(kCalls);
    }
    EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, kExtensions).size(), 3u);
    // The failure path: the key is absent, so only the head record is taken and freed.
    DeleteTree(HKEY_LOCAL_MACHINE, kExtensions);
    {
        Counting counting(dll.get());
        for (int i = 0; i < kCalls; ++i) {
            char name[] = "QuilletGuard";
            ASSERT_EQ(enumExchangeExt(nullptr, nullptr, name), 0) << i;
        }
        Counting::ExpectBalanced(kCalls);
    }
}

TEST(Leaks, FileExportsReleaseWhatTheyOpen)
{
    UniqueLibrary dll = LoadTestLibrary("qsetup.dll");
    auto openFile = Export<OpenFileFn>(dll.get(), "OpenFile32");
    auto closeFile = Export<CloseFn>(dll.get(), "_lclose32");
    ASSERT_NE(openFile, nullptr);
    ASSERT_NE(closeFile, nullptr);
    const std::string path = "C:\\leak-probe.dat";
    WriteFileBytes(path, "probe");
    {
        Counting counting(dll.get());
        for (int i = 0; i < kCalls; ++i) {
            ASSERT_NE(openFile(path.c_str(), nullptr, 0x4000), -1) << i;          // OF_EXIST closes its own
            const int handle = openFile(path.c_str(), nullptr, 0x0000);          // OF_READ: the caller's
            ASSERT_NE(handle, -1) << i;
            ASSERT_EQ(closeFile(handle), 0) << i;
            ASSERT_EQ(openFile("C:\\no-such-file.dat", nullptr, 0x4000), -1) << i; // failure path
        }
        Counting::ExpectBalanced(kCalls);
    }
    RemovePath(path);
}

TEST(Leaks, OtherSetupExportsOpenNothingThatStaysOpen)
{
    UniqueLibrary dll = LoadTestLibrary("qsetup.dll");
    ASSERT_TRUE(dll);
    CreateDirectoryA("C:\\Leak Probe", nullptr);
    {
        Counting counting(dll.get());
        MessageBoxCatcher catcher;
        g_boxes = 0;
        ImportPatch boxes(dll.get(), "USER32.dll", "MessageBoxA", &AnsweredMessageBox);
        ASSERT_TRUE(boxes);
        struct Call { const char* name; const char* text; } const calls[] = {
            {"GetName", "C:\\Leak Probe\\;x"},
            {"DelSpase", "  typed name"},
            {"DelSpase", "caf\xE9"}, // the failure path shows a box each time
            {"CheckPlatform", ""},
            {"CheckVersion", ""},
        };
        for (const Call& call : calls) {
            SCOPED_TRACE(call.name);
            auto fn = Export<SetupCallFn>(dll.get(), call.name);
            ASSERT_NE(fn, nullptr);
            for (int i = 0; i < kCalls; ++i) {
                std::string text = call.text;
                int integer = 7;
                fn(nullptr, &integer, text.data());
            }
        }
        EXPECT_EQ(g_boxes, kCalls);
        EXPECT_TRUE(catcher.boxes().empty());
        Counting::ExpectBalanced(0);
    }
    RemoveDirectoryA("C:\\Leak Probe");
    RemovePath(WindowsDirectory() + "\\quill.ini");
}

TEST(Leaks, RemovalHookReleasesEveryKeyAndSearch)
{
    UniqueLibrary dll = LoadTestLibrary("qremove.dll");
    auto unInitialize = Export<HookFn>(dll.get(), "UninstUnInitialize");
    ASSERT_NE(unInitialize, nullptr);
    FillExtensions();
    const std::string dataFile = WindowsDirectory() + "\\extend.dat";
    {
        Counting counting(dll.get());
        for (int i = 0; i < kCalls; ++i) {
            if (i % 2 == 0)
                WriteFileBytes(dataFile, "x"); // every other call finds and deletes the file
            ASSERT_EQ(unInitialize(0, 0, 0), 0) << i;
        }
        Counting::ExpectBalanced(kCalls);
    }
    EXPECT_FALSE(FileExists(dataFile));
    DeleteTree(HKEY_LOCAL_MACHINE, kExtensions);
}

TEST(Leaks, LoadAndFreeTwoHundredTimes)
{
    MessageBoxCatcher catcher;
    for (const char* name : {"qsetup.dll", "qremove.dll"}) {
        SCOPED_TRACE(name);
        for (int round = 0; round < 200; ++round) {
            HMODULE dll = LoadLibraryA(name);
            ASSERT_NE(dll, nullptr) << round;
            ASSERT_TRUE(FreeLibrary(dll)) << round;
            // Fully unloaded: nothing of it stays mapped between rounds.
            ASSERT_EQ(GetModuleHandleA(name), nullptr) << round;
        }
    }
    EXPECT_TRUE(catcher.boxes().empty());
}
