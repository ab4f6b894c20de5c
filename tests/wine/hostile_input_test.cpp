// Texts far past every fixed buffer, at every export that takes a text: no
// crash, no byte changed past the caller's terminator, results as documented.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "fixtures.h"
#include "message_box_catcher.h"

using namespace harness;

namespace {

using SetupCallFn = int(WINAPI*)(HWND, int*, char*);
using IsStringEnglishFn = int(WINAPI*)(unsigned char*);
using OpenFileFn = int(WINAPI*)(const char*, void*, int);

constexpr char kExtensions[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";

struct Input {
    const char* name;
    std::string text;
};

std::vector<Input> Inputs()
{
    std::string leadLast(99999, 'a');
    leadLast += '\x81';
    std::string separatorAt600(100000, 'd');
    separatorAt600[600] = ';';
    return {
        {"100,000 bytes without a separator", std::string(100000, 'x')},
        {"separator at byte 600", separatorAt600},
        {"all 0xFF", std::string(100000, '\xFF')},
        {"lead byte before the terminator", leadLast},
    };
}

// The text with guard bytes behind its terminator.
struct Guarded {
    explicit Guarded(const std::string& text) : bytes(text.begin(), text.end()), length(text.size())
    {
        bytes.push_back('\0');
        bytes.insert(bytes.end(), 64, '\xBD');
    }
    char* data() { return bytes.data(); }
    bool guardIntact() const
    {
        for (std::size_t i = length + 1; i < bytes.size(); ++i)
            if (bytes[i] != '\xBD')
                return false;
        return true;
    }
    std::vector<char> bytes;
    std::size_t length;
};

class HostileInput : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll_);
        DeleteTree(HKEY_LOCAL_MACHINE, kExtensions);
        UniqueKey key = CreateKey(HKEY_LOCAL_MACHINE, kExtensions);
        ASSERT_TRUE(key);
        SetValue(key.get(), Sz("Alpha", "4.0;a.dll;1"));
        SetValue(key.get(), Sz("Beta", "4.0;b.dll;1"));
    }
    void TearDown() override
    {
        DeleteTree(HKEY_LOCAL_MACHINE, kExtensions);
        RemovePath(WindowsDirectory() + "\\quill.ini");
    }
    template <typename F>
    F Get(const char* name)
    {
        F f = Export<F>(dll_.get(), name);
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
    UniqueLibrary dll_;
};

} // namespace

TEST_F(HostileInput, GetNameCutsOnlyAtItsSeparator)
{
    auto getName = Get<SetupCallFn>("GetName");
    ASSERT_NE(getName, nullptr);
    for (const Input& input : Inputs()) {
        SCOPED_TRACE(input.name);
        Guarded text(input.text);
        MessageBoxCatcher catcher;
        int integer = 7;
        EXPECT_EQ(getName(nullptr, &integer, text.data()), 1);
        EXPECT_TRUE(text.guardIntact());
        EXPECT_EQ(integer, 7);
        const std::size_t separator = input.text.find(';');
        std::string expected = input.text;
        if (separator != std::string::npos)
            expected[separator] = '\0';
        EXPECT_TRUE(std::memcmp(text.data(), expected.data(), expected.size()) == 0);
        // No directory part that fits: the entries carry no prefix.
        char dir[64] = {};
        GetPrivateProfileStringA("QUILL", "DIR", "", dir, sizeof dir, "quill.ini");
        EXPECT_STREQ(dir, "QLMCRTMP\\");
        EXPECT_TRUE(catcher.boxes().empty());
    }
}

TEST_F(HostileInput, EnumExchangeExtWithAHugeNameKeepsEveryValue)
{
    auto enumExchangeExt = Get<SetupCallFn>("EnumExchangeExt");
    ASSERT_NE(enumExchangeExt, nullptr);
    const std::vector<RegValue> before = ReadValues(HKEY_LOCAL_MACHINE, kExtensions);
    for (const Input& input : Inputs()) {
        SCOPED_TRACE(input.name);
        Guarded text(input.text);
        int integer = 7;
        EXPECT_EQ(enumExchangeExt(nullptr, &integer, text.data()), 1);
        EXPECT_TRUE(text.guardIntact());
        EXPECT_TRUE(std::memcmp(text.data(), input.text.c_str(), input.text.size() + 1) == 0);
        EXPECT_EQ(integer, 7);
        EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, kExtensions), before);
    }
}

TEST_F(HostileInput, TextChecksStayWithinTheText)
{
    auto delSpase = Get<SetupCallFn>("DelSpase");
    auto isStringEnglish = Get<IsStringEnglishFn>("?IsStringEnglish@@YGHPAE@Z");
    ASSERT_NE(delSpase, nullptr);
    ASSERT_NE(isStringEnglish, nullptr);
    for (const Input& input : Inputs()) {
        SCOPED_TRACE(input.name);
        const bool english = input.text.find('\xFF') == std::string::npos &&
                             input.text.find('\x81') == std::string::npos;
        Guarded probe(input.text);
        EXPECT_EQ(isStringEnglish(reinterpret_cast<unsigned char*>(probe.data())), english ? 1 : 0);
        EXPECT_TRUE(std::memcmp(probe.data(), input.text.c_str(), input.text.size() + 1) == 0);

        Guarded text(input.text);
        MessageBoxCatcher catcher;
        int integer = 7;
        EXPECT_EQ(delSpase(nullptr, &integer, text.data()), english ? 1 : 0);
        EXPECT_TRUE(text.guardIntact());
        if (english) {
            EXPECT_EQ(std::string(text.data()), input.text.substr(0, 18));
            EXPECT_EQ(integer, 7);
            EXPECT_TRUE(catcher.boxes().empty());
        } else {
            EXPECT_TRUE(std::memcmp(text.data(), input.text.c_str(), input.text.size() + 1) == 0);
            EXPECT_EQ(integer, 0);
            EXPECT_EQ(catcher.boxes().size(), 1u);
        }
    }
}

TEST_F(HostileInput, PlatformChecksLeaveTheTextAlone)
{
    for (const char* name : {"CheckPlatform", "CheckVersion"}) {
        SCOPED_TRACE(name);
        auto check = Get<SetupCallFn>(name);
        ASSERT_NE(check, nullptr);
        for (const Input& input : Inputs()) {
            Guarded text(input.text);
            int integer = 7;
            check(nullptr, &integer, text.data());
            EXPECT_TRUE(text.guardIntact());
            EXPECT_TRUE(std::memcmp(text.data(), input.text.c_str(), input.text.size() + 1) == 0);
            EXPECT_EQ(integer, 7);
        }
    }
}

TEST_F(HostileInput, OpenFile32WithAHugeFileNameFails)
{
    auto openFile = Get<OpenFileFn>("OpenFile32");
    ASSERT_NE(openFile, nullptr);
    for (const Input& input : Inputs()) {
        SCOPED_TRACE(input.name);
        for (const int mode : {0x0000, 0x0001, 0x0002, 0x0200, 0x1000, 0x4000}) {
            SCOPED_TRACE(mode);
            Guarded name(input.text);
            EXPECT_EQ(openFile(name.data(), nullptr, mode), -1);
            EXPECT_TRUE(name.guardIntact());
        }
    }
}
