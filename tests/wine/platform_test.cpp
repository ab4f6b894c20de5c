// CheckPlatform and CheckVersion: the answers under the Windows versions that
// Wine emulates, a failing version query, and arguments left alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <sstream>
#include <string>

#include "callee_cleanup.h"
#include "fixtures.h"
#include "import_patch.h"

using namespace harness;

namespace {

using SetupCallFn = int(WINAPI*)(HWND, int*, char*);

constexpr char kProbe[] = "platform_probe.exe";
constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults";
const HWND kJunkWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x0BADF00D));

std::string ProgramDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

struct ProbeRun {
    DWORD exitCode = 0xDEADBEEF;
    std::string output;
};

// Runs the probe in a process of its own, its output read through a pipe.
ProbeRun RunProbe()
{
    ProbeRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    UniqueFile reader(readEnd), writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = writer.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + ProgramDirectory() + kProbe + "\"";
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        ProgramDirectory().c_str(), &startup, &process))
        return run;
    UniqueFile processHandle(process.hProcess), threadHandle(process.hThread);
    writer.reset(); // the pipe ends when the probe's copy closes

    char chunk[256];
    DWORD got = 0;
    while (ReadFile(reader.get(), chunk, sizeof chunk, &got, nullptr) && got != 0)
        run.output.append(chunk, got);
    WaitForSingleObject(processHandle.get(), INFINITE);
    GetExitCodeProcess(processHandle.get(), &run.exitCode);
    return run;
}

// The raw version record's platform id and major version, as the test itself sees them.
OSVERSIONINFOA OwnVersion()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    return info;
}

class PlatformTest : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll_) << GetLastError();
        checkPlatform_ = Export<SetupCallFn>(dll_.get(), "CheckPlatform");
        checkVersion_ = Export<SetupCallFn>(dll_.get(), "CheckVersion");
        ASSERT_NE(checkPlatform_, nullptr);
        ASSERT_NE(checkVersion_, nullptr);
    }

    UniqueLibrary dll_;
    SetupCallFn checkPlatform_ = nullptr;
    SetupCallFn checkVersion_ = nullptr;
};

// Version query hook: records the record it is handed, then fails or passes on.
OSVERSIONINFOA g_seen;
int g_queries = 0;
bool g_failQuery = false;
decltype(&GetVersionExA) g_realGetVersionExA = nullptr;

BOOL WINAPI HookGetVersionExA(LPOSVERSIONINFOA info)
{
    ++g_queries;
    std::memcpy(&g_seen, info, sizeof g_seen);
    if (g_failQuery) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return g_realGetVersionExA(info);
}

} // namespace

TEST(PlatformVersions, EachEmulatedVersionInItsOwnProcess)
{
    const std::string probeKey = std::string(kAppDefaults) + "\\" + kProbe;
    const bool hadAppDefaults = KeyExists(HKEY_CURRENT_USER, kAppDefaults);
    ASSERT_TRUE(DeleteTree(HKEY_CURRENT_USER, probeKey.c_str()));

    struct Row {
        const char* version;
        DWORD platformId;
        DWORD majorAtLeast, majorAtMost;
        int platform, atLeast4;
    } const rows[] = {
        {"win31", VER_PLATFORM_WIN32s, 3, 3, 2, 0},
        {"win95", VER_PLATFORM_WIN32_WINDOWS, 4, 4, 1, 4},
        {"win98", VER_PLATFORM_WIN32_WINDOWS, 4, 4, 1, 4},
        {"nt40", VER_PLATFORM_WIN32_NT, 4, 4, 0, 4},
        {"win2k", VER_PLATFORM_WIN32_NT, 5, 5, 0, 4},
        // Without a compatibility manifest Windows 10 reports 6.2; Wine does the same.
        {"win10", VER_PLATFORM_WIN32_NT, 6, 10, 0, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version);
        {
            UniqueKey key = CreateKey(HKEY_CURRENT_USER, probeKey.c_str());
            ASSERT_TRUE(key);
            SetValue(key.get(), Sz("Version", row.version));
        }
        const ProbeRun run = RunProbe();
        ASSERT_EQ(run.exitCode, 0u) << run.output;

        std::istringstream fields(run.output);
        DWORD platformId = 0xDEADBEEF, major = 0xDEADBEEF;
        int platform = -99, atLeast4 = -99;
        ASSERT_TRUE(fields >> platformId >> major >> platform >> atLeast4) << run.output;
        // The emulation took effect: the probe's own query shows that version.
        EXPECT_EQ(platformId, row.platformId);
        EXPECT_GE(major, row.majorAtLeast);
        EXPECT_LE(major, row.majorAtMost);
        EXPECT_EQ(platform, row.platform);
        EXPECT_EQ(atLeast4, row.atLeast4);
    }

    EXPECT_TRUE(DeleteTree(HKEY_CURRENT_USER, probeKey.c_str()));
    if (!hadAppDefaults)
        DeleteTree(HKEY_CURRENT_USER, kAppDefaults);
}

TEST_F(PlatformTest, AgreesWithThisProcessVersion)
{
    const OSVERSIONINFOA own = OwnVersion();
    const int platform = own.dwPlatformId == VER_PLATFORM_WIN32s ? 2
                       : own.dwPlatformId == VER_PLATFORM_WIN32_NT ? 0 : 1;
    EXPECT_EQ(checkPlatform_(nullptr, nullptr, nullptr), platform);
    EXPECT_EQ(checkVersion_(nullptr, nullptr, nullptr), own.dwMajorVersion >= 4 ? 4 : 0);
}

TEST_F(PlatformTest, FailedVersionQueryGivesTwoAndZero)
{
    ImportPatch patch(dll_.get(), "KERNEL32.dll", "GetVersionExA", reinterpret_cast<const void*>(&HookGetVersionExA));
    ASSERT_TRUE(patch);
    g_realGetVersionExA = patch.original<decltype(&GetVersionExA)>();

    for (const SetupCallFn check : {checkPlatform_, checkVersion_}) {
        SCOPED_TRACE(check == checkPlatform_ ? "CheckPlatform" : "CheckVersion");
        // A real query first fills the DLL's record; the failing one after it
        // must still be handed a fresh record, not what the first one left.
        g_failQuery = false;
        g_queries = 0;
        check(nullptr, nullptr, nullptr);
        g_failQuery = true;
        const int result = check(nullptr, nullptr, nullptr);
        EXPECT_EQ(result, check == checkPlatform_ ? 2 : 0);
        EXPECT_EQ(g_queries, 2);

        OSVERSIONINFOA fresh = {};
        fresh.dwOSVersionInfoSize = 148;
        EXPECT_EQ(std::memcmp(&g_seen, &fresh, sizeof fresh), 0) << "the record was not zero-filled with its size set";
    }
    g_failQuery = false;
}

TEST_F(PlatformTest, ArgumentsAreNeitherReadNorWritten)
{
    for (const SetupCallFn check : {checkPlatform_, checkVersion_}) {
        SCOPED_TRACE(check == checkPlatform_ ? "CheckPlatform" : "CheckVersion");
        const int expected = check(nullptr, nullptr, nullptr);

        int value = 7;
        char text[32];
        std::memset(text, 0xBD, sizeof text);
        std::memcpy(text, "  \xE9 abc", 8);
        char before[sizeof text];
        std::memcpy(before, text, sizeof text);

        EXPECT_EQ(check(kJunkWindow, &value, text), expected);
        EXPECT_EQ(value, 7);
        EXPECT_EQ(std::memcmp(text, before, sizeof text), 0);

        EXPECT_EQ(CalleeRemovedBytes(reinterpret_cast<const void*>(check), {0, 0, 0}), 12);

        // Pointers to a page that cannot be read or written: any access faults.
        void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(check(kJunkWindow, static_cast<int*>(page), static_cast<char*>(page)), expected);
        VirtualFree(page, 0, MEM_RELEASE);
    }
}
