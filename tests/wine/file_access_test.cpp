// OpenFile32, _lclose32, _lread32, _lwrite32 and _llseek32 on real files in
// the prefix: what each mode code opens, creates or deletes, the sharing that
// follows from it, and the counts and positions of the other four.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "callee_cleanup.h"
#include "fixtures.h"
#include "import_patch.h"

using namespace harness;

namespace {

using OpenFileFn = int(WINAPI*)(const char*, void*, int);
using CloseFn = int(WINAPI*)(int);
using ReadFn = int(WINAPI*)(int, void*, unsigned int);
using WriteFn = int(WINAPI*)(int, const void*, unsigned int);
using SeekFn = int(WINAPI*)(int, long, int);

constexpr DWORD kJunkError = 0xDEADBEEF;

struct ModeName {
    int code;
    const char* name;
};
constexpr ModeName kOpeningModes[] = {
    {OF_READ, "OF_READ"}, {OF_WRITE, "OF_WRITE"}, {OF_READWRITE, "OF_READWRITE"},
    {OF_CREATE, "OF_CREATE"}, {OF_EXIST, "OF_EXIST"},
};

// What the DLL asks of the platform, recorded by the import-table hooks.
int g_createCalls = 0;
int g_deleteCalls = 0;
HANDLE g_lastCreated = nullptr;
std::vector<HANDLE> g_closed;
decltype(&CreateFileA) g_realCreateFileA = nullptr;
decltype(&DeleteFileA) g_realDeleteFileA = nullptr;
decltype(&CloseHandle) g_realCloseHandle = nullptr;

HANDLE WINAPI CountCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD creation, DWORD flags, HANDLE templ)
{
    ++g_createCalls;
    g_lastCreated = g_realCreateFileA(name, access, share, security, creation, flags, templ);
    return g_lastCreated;
}

BOOL WINAPI CountDeleteFileA(LPCSTR name)
{
    ++g_deleteCalls;
    return g_realDeleteFileA(name);
}

BOOL WINAPI RecordCloseHandle(HANDLE handle)
{
    g_closed.push_back(handle);
    return g_realCloseHandle(handle);
}

class FileAccessTest : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll_) << GetLastError();
        openFile_ = Export<OpenFileFn>(dll_.get(), "OpenFile32");
        close_ = Export<CloseFn>(dll_.get(), "_lclose32");
        read_ = Export<ReadFn>(dll_.get(), "_lread32");
        write_ = Export<WriteFn>(dll_.get(), "_lwrite32");
        seek_ = Export<SeekFn>(dll_.get(), "_llseek32");
        ASSERT_TRUE(openFile_ && close_ && read_ && write_ && seek_);

        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "qsetup-files-" + std::to_string(GetCurrentProcessId()) + "\\";
        RemoveOwnFiles();
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << GetLastError();
    }

    void TearDown() override
    {
        RemoveOwnFiles();
        EXPECT_FALSE(FileExists(dir_));
    }

    std::string Path(const char* name) const { return dir_ + name; }

    // Opens the way a second, unrelated program would, sharing everything.
    static bool OpensSharingAll(const std::string& path)
    {
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return static_cast<bool>(file);
    }

    // True when nothing holds the file open: it opens exclusively and deletes.
    static bool OpensExclusivelyAndDeletes(const std::string& path)
    {
        {
            UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file)
                return false;
        }
        return DeleteFileA(path.c_str()) != FALSE;
    }

    UniqueLibrary dll_;
    OpenFileFn openFile_ = nullptr;
    CloseFn close_ = nullptr;
    ReadFn read_ = nullptr;
    WriteFn write_ = nullptr;
    SeekFn seek_ = nullptr;
    std::string dir_;

private:
    void RemoveOwnFiles()
    {
        for (const char* name : {"a.dat", "b.dat", "missing.dat"})
            RemovePath(Path(name));
        RemoveDirectoryA(dir_.c_str());
    }
};

} // namespace

TEST_F(FileAccessTest, OpeningAMissingFileFailsAndCreatesNothing)
{
    const std::string path = Path("missing.dat");
    for (const ModeName& mode : kOpeningModes) {
        if (mode.code == OF_CREATE)
            continue;
        SCOPED_TRACE(mode.name);
        SetLastError(kJunkError);
        EXPECT_EQ(openFile_(path.c_str(), nullptr, mode.code), -1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        EXPECT_FALSE(FileExists(path));
    }
}

TEST_F(FileAccessTest, CreateEmptiesAnExistingFileAndOpensItForReadingAndWriting)
{
    const std::string path = Path("a.dat");
    WriteFileBytes(path, "old content that must go");

    const int file = openFile_(path.c_str(), nullptr, OF_CREATE);
    ASSERT_NE(file, -1) << GetLastError();
    EXPECT_EQ(GetFileSize(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file)), nullptr), 0u);
    EXPECT_EQ(write_(file, "new", 3), 3);
    EXPECT_EQ(seek_(file, 0, FILE_BEGIN), 0);
    char back[8];
    std::memset(back, 0xBD, sizeof back);
    EXPECT_EQ(read_(file, back, sizeof back), 3);
    EXPECT_EQ(std::string(back, 3), "new");
    EXPECT_EQ(static_cast<unsigned char>(back[3]), 0xBD);
    EXPECT_EQ(close_(file), 0);
    EXPECT_EQ(ReadFileBytes(path), "new");
}

TEST_F(FileAccessTest, CreateMakesAMissingFile)
{
    const std::string path = Path("a.dat");
    ASSERT_FALSE(FileExists(path));
    const int file = openFile_(path.c_str(), nullptr, OF_CREATE);
    ASSERT_NE(file, -1) << GetLastError();
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(close_(file), 0);
    EXPECT_EQ(ReadFileBytes(path), "");
}

TEST_F(FileAccessTest, DeleteReturnsSixAndTheFileIsGone)
{
    const std::string path = Path("a.dat");
    WriteFileBytes(path, "x");
    EXPECT_EQ(openFile_(path.c_str(), nullptr, OF_DELETE), 6);
    EXPECT_FALSE(FileExists(path));

    SetLastError(kJunkError);
    EXPECT_EQ(openFile_(path.c_str(), nullptr, OF_DELETE), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileAccessTest, ExistReturnsTheValueOfAHandleItHasClosed)
{
    const std::string path = Path("a.dat");
    WriteFileBytes(path, "here");
    ImportPatch create(dll_.get(), "KERNEL32.dll", "CreateFileA", reinterpret_cast<const void*>(&CountCreateFileA));
    ImportPatch close(dll_.get(), "KERNEL32.dll", "CloseHandle", reinterpret_cast<const void*>(&RecordCloseHandle));
    ASSERT_TRUE(create && close);
    g_realCreateFileA = create.original<decltype(&CreateFileA)>();
    g_realCloseHandle = close.original<decltype(&CloseHandle)>();
    g_createCalls = 0;
    g_closed.clear();

    const int result = openFile_(path.c_str(), nullptr, OF_EXIST);

    EXPECT_NE(result, -1);
    EXPECT_EQ(g_createCalls, 1);
    EXPECT_EQ(result, static_cast<int>(reinterpret_cast<INT_PTR>(g_lastCreated)));
    ASSERT_EQ(g_closed.size(), 1u);
    EXPECT_EQ(g_closed[0], g_lastCreated);
    EXPECT_TRUE(OpensExclusivelyAndDeletes(path)) << "a handle was left open";

    g_closed.clear();
    SetLastError(kJunkError);
    EXPECT_EQ(openFile_(path.c_str(), nullptr, OF_EXIST), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(g_closed.empty()) << "a failed open has nothing to close";
}

TEST_F(FileAccessTest, UnknownCodesMakeNoPlatformCall)
{
    const std::string existing = Path("a.dat");
    const std::string missing = Path("missing.dat");
    WriteFileBytes(existing, "keep me");
    ImportPatch create(dll_.get(), "KERNEL32.dll", "CreateFileA", reinterpret_cast<const void*>(&CountCreateFileA));
    ImportPatch remove(dll_.get(), "KERNEL32.dll", "DeleteFileA", reinterpret_cast<const void*>(&CountDeleteFileA));
    ASSERT_TRUE(create && remove);
    g_realCreateFileA = create.original<decltype(&CreateFileA)>();
    g_realDeleteFileA = remove.original<decltype(&DeleteFileA)>();

    struct Row { const char* name; int code; } const rows[] = {
        {"3", 3},
        {"0x40 (OF_SHARE_DENY_NONE)", OF_SHARE_DENY_NONE},
        {"0x41 (OF_WRITE | OF_SHARE_DENY_NONE)", OF_WRITE | OF_SHARE_DENY_NONE},
        {"0x1002 (OF_CREATE | OF_READWRITE)", OF_CREATE | OF_READWRITE},
        {"0x4200 (OF_EXIST | OF_DELETE)", OF_EXIST | OF_DELETE},
        {"-1", -1},
        {"INT_MIN", INT_MIN},
    };
    for (const Row& row : rows) {
        for (const std::string* path : {&existing, &missing}) {
            SCOPED_TRACE(std::string(row.name) + " on " + *path);
            g_createCalls = 0;
            g_deleteCalls = 0;
            SetLastError(kJunkError);
            EXPECT_EQ(openFile_(path->c_str(), nullptr, row.code), -1);
            EXPECT_EQ(g_createCalls, 0);
            EXPECT_EQ(g_deleteCalls, 0);
            EXPECT_EQ(GetLastError(), kJunkError);
        }
    }
    EXPECT_EQ(ReadFileBytes(existing), "keep me");
    EXPECT_FALSE(FileExists(missing));

    // The hooks see the known codes, so a zero above is not a hook that missed.
    g_createCalls = 0;
    EXPECT_EQ(openFile_(missing.c_str(), nullptr, OF_READ), -1);
    EXPECT_EQ(g_createCalls, 1);
}

TEST_F(FileAccessTest, ReadersShareAndWritersShareNothing)
{
    const std::string path = Path("a.dat");
    WriteFileBytes(path, "shared?");

    const int first = openFile_(path.c_str(), nullptr, OF_READ);
    ASSERT_NE(first, -1);
    const int second = openFile_(path.c_str(), nullptr, OF_READ);
    EXPECT_NE(second, -1);
    EXPECT_NE(openFile_(path.c_str(), nullptr, OF_EXIST), -1);
    // A reader shares only reading.
    EXPECT_EQ(openFile_(path.c_str(), nullptr, OF_WRITE), -1);
    EXPECT_EQ(close_(second), 0);
    EXPECT_EQ(close_(first), 0);

    for (const int holder : {OF_WRITE, OF_READWRITE, OF_CREATE}) {
        SCOPED_TRACE(holder == OF_WRITE ? "held by OF_WRITE" : holder == OF_READWRITE ? "held by OF_READWRITE" : "held by OF_CREATE");
        const int held = openFile_(path.c_str(), nullptr, holder);
        ASSERT_NE(held, -1) << GetLastError();
        for (const ModeName& mode : kOpeningModes) {
            SCOPED_TRACE(mode.name);
            SetLastError(kJunkError);
            EXPECT_EQ(openFile_(path.c_str(), nullptr, mode.code), -1);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        EXPECT_FALSE(OpensSharingAll(path));
        EXPECT_EQ(close_(held), 0);
        EXPECT_TRUE(OpensSharingAll(path));
    }
}

TEST_F(FileAccessTest, RoundTripOfTenThousandBytes)
{
    const std::string path = Path("b.dat");
    std::string data(10000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);

    const int file = openFile_(path.c_str(), nullptr, OF_CREATE);
    ASSERT_NE(file, -1) << GetLastError();
    EXPECT_EQ(write_(file, data.data(), 10000), 10000);
    EXPECT_EQ(seek_(file, 0, FILE_BEGIN), 0);

    std::vector<char> back(10001, static_cast<char>(0xBD));
    // Asking for more than is there gives what is there.
    EXPECT_EQ(read_(file, back.data(), static_cast<unsigned int>(back.size())), 10000);
    EXPECT_EQ(std::string(back.data(), 10000), data);
    EXPECT_EQ(static_cast<unsigned char>(back[10000]), 0xBD);

    EXPECT_EQ(seek_(file, 0, FILE_END), 10000);
    SetLastError(kJunkError);
    EXPECT_EQ(read_(file, back.data(), 100), 0);
    EXPECT_EQ(seek_(file, -100, FILE_CURRENT), 9900);
    EXPECT_EQ(read_(file, back.data(), 100), 100);
    EXPECT_EQ(std::string(back.data(), 100), data.substr(9900));
    EXPECT_EQ(seek_(file, 42, FILE_BEGIN), 42);
    EXPECT_EQ(read_(file, back.data(), 1), 1);
    EXPECT_EQ(back[0], data[42]);
    // Before the start of the file: SetFilePointer's failure value comes back as is.
    SetLastError(kJunkError);
    EXPECT_EQ(seek_(file, -1, FILE_BEGIN), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));

    EXPECT_EQ(close_(file), 0);
    EXPECT_EQ(ReadFileBytes(path), data);

    // The closed handle and one that never was: every call fails.
    for (const int bad : {file, -1}) {
        SCOPED_TRACE(bad == -1 ? "handle -1" : "closed handle");
        SetLastError(kJunkError);
        EXPECT_EQ(read_(bad, back.data(), 10), -1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(kJunkError);
        EXPECT_EQ(write_(bad, data.data(), 10), -1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(seek_(bad, 0, FILE_BEGIN), -1);
    }
    EXPECT_EQ(ReadFileBytes(path), data);
}

TEST_F(FileAccessTest, CloseTwiceGivesZeroThenMinusOne)
{
    const std::string path = Path("a.dat");
    WriteFileBytes(path, "x");
    const int file = openFile_(path.c_str(), nullptr, OF_READ);
    ASSERT_NE(file, -1);
    EXPECT_EQ(close_(file), 0);
    SetLastError(kJunkError);
    EXPECT_EQ(close_(file), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileAccessTest, SecondArgumentIsNeverTouched)
{
    const std::string path = Path("a.dat");
    // Every code once, in an order that needs no file made by other means.
    struct Step { const char* name; int code; bool opens; int result; } const steps[] = {
        {"OF_CREATE", OF_CREATE, true, 0}, {"OF_READ", OF_READ, true, 0},
        {"OF_WRITE", OF_WRITE, true, 0}, {"OF_READWRITE", OF_READWRITE, true, 0},
        {"OF_EXIST", OF_EXIST, false, 0}, {"OF_DELETE", OF_DELETE, false, 6},
        {"OF_DELETE on the deleted file", OF_DELETE, false, -1}, {"3", 3, false, -1},
    };
    unsigned char guard[sizeof(OFSTRUCT) + 16];
    // A page that faults on any access, so a read shows as well as a write.
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(page, nullptr);
    struct Second { const char* name; void* pointer; } const seconds[] = {
        {"null", nullptr}, {"guard buffer", guard}, {"no-access page", page},
    };
    for (const Second& second : seconds) {
        SCOPED_TRACE(second.name);
        std::memset(guard, 0xBD, sizeof guard);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            const int result = openFile_(path.c_str(), second.pointer, step.code);
            if (step.opens) {
                EXPECT_NE(result, -1);
                if (result != -1) {
                    EXPECT_EQ(close_(result), 0);
                }
            } else if (step.code == OF_EXIST) {
                EXPECT_NE(result, -1);
            } else {
                EXPECT_EQ(result, step.result);
            }
            for (std::size_t i = 0; i < sizeof guard; ++i)
                ASSERT_EQ(guard[i], 0xBD) << "byte " << i;
        }
        EXPECT_FALSE(FileExists(path));
    }
    VirtualFree(page, 0, MEM_RELEASE);
}

TEST_F(FileAccessTest, CalleesRemoveTheirArguments)
{
    const std::string missing = Path("missing.dat");
    const auto address = [](const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(p)); };
    char buffer[4];
    struct Row { const char* name; const void* function; std::vector<std::uint32_t> args; int bytes; } const rows[] = {
        {"OpenFile32", reinterpret_cast<const void*>(openFile_), {address(missing.c_str()), 0, OF_READ}, 12},
        {"_lclose32", reinterpret_cast<const void*>(close_), {0}, 4},
        {"_lread32", reinterpret_cast<const void*>(read_), {0, address(buffer), sizeof buffer}, 12},
        {"_lwrite32", reinterpret_cast<const void*>(write_), {0, address(buffer), sizeof buffer}, 12},
        {"_llseek32", reinterpret_cast<const void*>(seek_), {0, 0, FILE_BEGIN}, 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CalleeRemovedBytes(row.function, row.args), row.bytes);
    }
}
