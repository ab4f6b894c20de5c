// GetName: the configuration entries in quill.ini, against the real profile API.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "fixtures.h"
#include "import_patch.h"
#include "message_box_catcher.h"

using namespace harness;

namespace {

using GetNameFn = int(WINAPI*)(HWND, int*, char*);

const std::string kProductDir = "C:\\Program Files\\Quillet Test\\";
constexpr char kAbsent[] = "<absent>";
constexpr char kInUseText[] = "Error in QUILL.INI\nCheck if file is open or in use by other application";

std::string IniPath()
{
    return WindowsDirectory() + "\\quill.ini";
}

std::string IniValue(const char* section, const char* key)
{
    char value[2048] = {};
    GetPrivateProfileStringA(section, key, kAbsent, value, sizeof value, "quill.ini");
    return value;
}

std::string ShortPath(const std::string& path)
{
    char out[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), out, sizeof out);
    return length > 0 && length < sizeof out ? out : "";
}

// The caller's text in a buffer with guard bytes behind its terminator.
struct GuardedText {
    explicit GuardedText(const std::string& text) : bytes(text.size() + 1 + kGuard, '\xBD'), length(text.size())
    {
        std::memcpy(bytes.data(), text.c_str(), text.size() + 1);
    }
    char* data() { return bytes.data(); }
    std::string text() const { return bytes.data(); }
    // The bytes of the original text's room, terminator included.
    std::string room() const { return std::string(bytes.data(), length + 1); }
    bool guardIntact() const
    {
        for (std::size_t i = length + 1; i < bytes.size(); ++i)
            if (bytes[i] != '\xBD')
                return false;
        return true;
    }
    static constexpr std::size_t kGuard = 16;
    std::vector<char> bytes;
    std::size_t length;
};

class GetNameTest : public testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        dll_ = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll_);
        getName_ = Export<GetNameFn>(dll_.get(), "GetName");
        ASSERT_NE(getName_, nullptr);
    }
    void TearDown() override
    {
        dll_.reset();
        Clean();
    }
    static void Clean()
    {
        RemovePath(IniPath());
        RemovePath(kProductDir + "qrunner.exe");
        RemovePath(kProductDir);
    }
    static void MakeProduct(bool withExecutable)
    {
        CreateDirectoryA(kProductDir.c_str(), nullptr);
        if (withExecutable)
            WriteFileBytes(kProductDir + "qrunner.exe", "MZ");
    }
    int Call(GuardedText& text)
    {
        int integer = 7;
        const int result = getName_(nullptr, &integer, text.data());
        EXPECT_EQ(integer, 7) << "the integer is not GetName's to write";
        EXPECT_TRUE(text.guardIntact()) << "written past the caller's terminator";
        return result;
    }

    UniqueLibrary dll_;
    GetNameFn getName_ = nullptr;
};

} // namespace

TEST_F(GetNameTest, WritesShortPathsAndCutsTheCallersText)
{
    MakeProduct(true);
    WritePrivateProfileStringA("Other", "Kept", "yes", "quill.ini");
    WritePrivateProfileStringA("QUILL", "Extra", "stays", "quill.ini");
    const std::string shortDir = ShortPath(kProductDir);
    ASSERT_NE(shortDir, "");
    ASSERT_NE(shortDir, kProductDir) << "the test needs a directory whose short form differs";

    MessageBoxCatcher catcher;
    GuardedText text(kProductDir + ";C:\\further;text");
    EXPECT_EQ(Call(text), 1);

    // Only the separator changed: the further text is still behind the new terminator.
    EXPECT_EQ(text.room(), kProductDir + '\0' + "C:\\further;text" + '\0');
    EXPECT_EQ(IniValue("QUILL", "DIR"), shortDir + "QLMCRTMP\\");
    EXPECT_EQ(IniValue("QUILL", "PROC"), ShortPath(kProductDir + "qrunner.exe"));
    EXPECT_EQ(IniValue("QUILL", "MACRO"), shortDir + "QLMACRO\\");
    EXPECT_EQ(IniValue("QUILL", "Extra"), "stays");
    EXPECT_EQ(IniValue("Other", "Kept"), "yes");
    EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(GetNameTest, EntriesForMissingPathsAndOddTexts)
{
    struct Row {
        const char* name;
        bool makeDir, makeExe;
        std::string input;
        std::string textAfter;
        bool shortDirPrefix; // DIR and MACRO carry the short directory
        bool procFilled;
    } const rows[] = {
        {"directory without qrunner.exe", true, false, kProductDir + ";x", kProductDir, true, false},
        {"directory that does not exist", false, false, kProductDir + ";x", kProductDir, false, false},
        {"no separator", true, true, kProductDir, kProductDir, false, false},
        {"leading semicolon", true, true, ";" + kProductDir, "", false, false},
        // 0xE9 is a lead byte of the fixed ranges: the ';' after it is its second byte.
        {"lead byte hides the semicolon", true, true, "C:\\Program Files\\Quillet Test\\caf\xE9;x",
         "C:\\Program Files\\Quillet Test\\caf\xE9;x", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clean();
        if (row.makeDir)
            MakeProduct(row.makeExe);
        MessageBoxCatcher catcher;
        GuardedText text(row.input);
        EXPECT_EQ(Call(text), 1);
        EXPECT_EQ(text.text(), row.textAfter);
        const std::string prefix = row.shortDirPrefix ? ShortPath(kProductDir) : "";
        EXPECT_EQ(IniValue("QUILL", "DIR"), prefix + "QLMCRTMP\\");
        EXPECT_EQ(IniValue("QUILL", "PROC"), "") << "written, and empty";
        EXPECT_EQ(IniValue("QUILL", "MACRO"), prefix + "QLMACRO\\");
        EXPECT_TRUE(catcher.boxes().empty());
    }
}

TEST_F(GetNameTest, UnwritableFileShowsOneMessageOwnedByTheActiveWindow)
{
    MakeProduct(true);
    // Wine writes a read-only INI file anyway; a directory of that name makes
    // every profile write fail, on Wine and on Windows.
    ASSERT_TRUE(CreateDirectoryA(IniPath().c_str(), nullptr));

    for (const bool withWindow : {false, true}) {
        SCOPED_TRACE(withWindow ? "active window" : "no active window");
        HWND window = nullptr;
        if (withWindow) {
            window = CreateWindowExA(0, "STATIC", "setup engine", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
            ASSERT_NE(window, nullptr);
            SetActiveWindow(window);
            ASSERT_EQ(GetActiveWindow(), window);
        } else {
            ASSERT_EQ(GetActiveWindow(), nullptr);
        }

        MessageBoxCatcher catcher;
        GuardedText text(kProductDir + ";x");
        EXPECT_EQ(Call(text), 1);
        ASSERT_EQ(catcher.boxes().size(), 1u);
        const ShownBox& box = catcher.boxes()[0];
        EXPECT_EQ(box.caption, "Internal Error");
        EXPECT_EQ(box.text, kInUseText);
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.owner, window);

        if (window != nullptr)
            DestroyWindow(window);
    }
    RemoveDirectoryA(IniPath().c_str());
}

namespace {

const char* g_failingKey = nullptr;

BOOL WINAPI FailingProfileWrite(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    if (key != nullptr && lstrcmpA(key, g_failingKey) == 0) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return WritePrivateProfileStringA(section, key, value, file);
}

} // namespace

TEST_F(GetNameTest, FailedWriteStopsTheLaterKeysAndShowsOneMessage)
{
    MakeProduct(true);
    struct Row { const char* failing; bool dir, proc, macro; } const rows[] = {
        {"DIR", false, false, false},
        {"PROC", true, false, false},
        {"MACRO", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.failing);
        RemovePath(IniPath());
        g_failingKey = row.failing;
        ImportPatch patch(dll_.get(), "KERNEL32.dll", "WritePrivateProfileStringA", &FailingProfileWrite);
        ASSERT_TRUE(patch);

        MessageBoxCatcher catcher;
        GuardedText text(kProductDir + ";x");
        EXPECT_EQ(Call(text), 1);
        EXPECT_EQ(IniValue("QUILL", "DIR") != kAbsent, row.dir);
        EXPECT_EQ(IniValue("QUILL", "PROC") != kAbsent, row.proc);
        EXPECT_EQ(IniValue("QUILL", "MACRO") != kAbsent, row.macro);
        ASSERT_EQ(catcher.boxes().size(), 1u);
        EXPECT_EQ(catcher.boxes()[0].text, kInUseText);
    }
}

namespace {

std::vector<std::string> g_converted;

// Stands in for a platform whose short form of a path is the path itself, so
// that values of any length reach the composition.
DWORD WINAPI IdentityShortPath(LPCSTR path, LPSTR out, DWORD room)
{
    g_converted.push_back(path);
    const DWORD length = lstrlenA(path);
    if (length >= room)
        return length + 1;
    lstrcpyA(out, path);
    return length;
}

} // namespace

TEST_F(GetNameTest, WorkingTextBoundariesOf511Bytes)
{
    struct Row {
        std::size_t dirLength;
        bool dirConverted, exeConverted;
        bool dirAppended;   // DIR is the directory followed by "QLMCRTMP\"
        bool macroAppended; // MACRO is the directory followed by "QLMACRO\"
    } const rows[] = {
        {500, true, true, true, true},     // executable path of exactly 511 bytes
        {501, true, false, true, true},    // executable path of 512 bytes: PROC empty
        {502, true, false, true, true},    // DIR value of exactly 511 bytes
        {503, true, false, false, true},   // DIR 512 bytes: the name alone; MACRO exactly 511
        {504, true, false, false, false},  // MACRO 512 bytes
        {511, true, false, false, false},  // the longest directory part that is used
        {512, false, false, false, false}, // too long: handled as a path with no short form
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dirLength);
        RemovePath(IniPath());
        g_converted.clear();
        ImportPatch patch(dll_.get(), "KERNEL32.dll", "GetShortPathNameA", &IdentityShortPath);
        ASSERT_TRUE(patch);

        const std::string dir = "C:\\" + std::string(row.dirLength - 4, 'd') + "\\";
        ASSERT_EQ(dir.size(), row.dirLength);
        GuardedText text(dir + ";" + std::string(600, 'f'));
        EXPECT_EQ(Call(text), 1);
        EXPECT_EQ(text.text(), dir);

        const std::string exe = dir + "qrunner.exe";
        std::vector<std::string> expected;
        if (row.dirConverted)
            expected.push_back(dir);
        if (row.exeConverted)
            expected.push_back(exe);
        if (row.dirConverted)
            expected.push_back(dir);
        EXPECT_EQ(g_converted, expected);

        EXPECT_EQ(IniValue("QUILL", "DIR"), row.dirAppended ? dir + "QLMCRTMP\\" : "QLMCRTMP\\");
        EXPECT_EQ(IniValue("QUILL", "PROC"), row.exeConverted ? exe : "");
        EXPECT_EQ(IniValue("QUILL", "MACRO"), row.macroAppended ? dir + "QLMACRO\\" : "QLMACRO\\");
    }
}

TEST_F(GetNameTest, NullTextIsWrittenAsATextWithoutSeparator)
{
    int integer = 7;
    EXPECT_EQ(getName_(nullptr, &integer, nullptr), 1);
    EXPECT_EQ(IniValue("QUILL", "DIR"), "QLMCRTMP\\");
    EXPECT_EQ(IniValue("QUILL", "MACRO"), "QLMACRO\\");
}
