// IsStringEnglish and DelSpase: the English byte test and the trimming of typed
// text, in the caller's own buffer.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "callee_cleanup.h"
#include "fixtures.h"
#include "message_box_catcher.h"

using namespace harness;

namespace {

using IsStringEnglishFn = int(WINAPI*)(unsigned char*);
using SetupCallFn = int(WINAPI*)(HWND, int*, char*);

constexpr char kIsStringEnglishSymbol[] = "?IsStringEnglish@@YGHPAE@Z";
constexpr char kTypeEnglishText[] = "Please type the name using English alphabet only.";
constexpr unsigned char kGuard = 0xBD;
const HWND kJunkWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x0BADF00D));

// A text in a buffer whose bytes behind the terminator are guard bytes.
class GuardedText {
public:
    explicit GuardedText(const std::string& text) : length_(text.size())
    {
        // Room for the text, its terminator and at least 16 guard bytes.
        if (text.size() + 1 + 16 > sizeof buffer_)
            ADD_FAILURE() << "text of " << text.size() << " bytes does not fit the guarded buffer";
        length_ = std::min(length_, sizeof buffer_ - 1 - 16);
        std::memset(buffer_, kGuard, sizeof buffer_);
        std::memcpy(buffer_, text.c_str(), length_);
        buffer_[length_] = '\0';
    }
    char* get() { return buffer_; }
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(buffer_); }
    std::string text() const { return buffer_; }
    // Every byte of the buffer, the original terminator and the guard included.
    std::string all() const { return std::string(buffer_, sizeof buffer_); }
    // True when nothing behind the original terminator was written.
    bool GuardIntact() const
    {
        for (std::size_t i = length_ + 1; i < sizeof buffer_; ++i)
            if (static_cast<unsigned char>(buffer_[i]) != kGuard)
                return false;
        return true;
    }

private:
    char buffer_[256];
    std::size_t length_;
};

class TextInputTest : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll_) << GetLastError();
        isStringEnglish_ = Export<IsStringEnglishFn>(dll_.get(), kIsStringEnglishSymbol);
        delSpase_ = Export<SetupCallFn>(dll_.get(), "DelSpase");
        ASSERT_NE(isStringEnglish_, nullptr);
        ASSERT_NE(delSpase_, nullptr);
    }

    UniqueLibrary dll_;
    IsStringEnglishFn isStringEnglish_ = nullptr;
    SetupCallFn delSpase_ = nullptr;
};

const std::string kLetters20 = "ABCDEFGHIJKLMNOPQRST";

} // namespace

TEST_F(TextInputTest, IsStringEnglishIsExportedOnlyUnderItsDecoratedSymbol)
{
    for (const char* name : {"IsStringEnglish", "IsStringEnglish@4", "_IsStringEnglish@4",
                             "?IsStringEnglish@@YGHPAD@Z"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetProcAddress(dll_.get(), name), nullptr);
    }
    unsigned char text[] = "abc";
    EXPECT_EQ(CalleeRemovedBytes(reinterpret_cast<const void*>(isStringEnglish_),
                                 {static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(text))}), 4);
}

TEST_F(TextInputTest, IsStringEnglishTable)
{
    struct Row { const char* name; std::string text; int result; } const rows[] = {
        {"empty", "", 1},
        {"plain letters and punctuation", "Quillet 2.0 (c) Tarvolin!", 1},
        {"0x01 to 0x80", [] { std::string s; for (int b = 1; b <= 0x80; ++b) s += char(b); return s; }(), 1},
        {"0x81 last", "abc\x81", 0},
        {"0xA0 (no-break space in 1252) first", "\xA0" "abc", 0},
        {"0xE9 in the middle", "caf\xE9 au lait", 0},
        {"0xFF", "\xFF", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GuardedText text(row.text);
        const std::string before = text.all();
        EXPECT_EQ(isStringEnglish_(text.bytes()), row.result);
        EXPECT_EQ(text.all(), before);
    }
    // A null text counts as the empty text.
    EXPECT_EQ(isStringEnglish_(nullptr), 1);
}

TEST_F(TextInputTest, DelSpaseTrimsAPassingTextInPlace)
{
    struct Row { const char* name; std::string input; std::string expected; } const rows[] = {
        {"empty", "", ""},
        {"spaces only", "      ", ""},
        {"tab CR LF two spaces abc two spaces", "\t\r\n  abc  ", "abc  "},
        {"25 letters", "abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqr"},
        {"three spaces and 20 letters", "   " + kLetters20, kLetters20.substr(0, 18)},
        {"exactly 18 bytes after the skip", "\v\f" + kLetters20.substr(0, 18), kLetters20.substr(0, 18)},
        {"leading 0x80 is kept", "\x80" "abc", "\x80" "abc"},
        {"no white space, short", "Quillet", "Quillet"},
    };
    MessageBoxCatcher catcher;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GuardedText text(row.input);
        int value = 7;
        EXPECT_EQ(delSpase_(kJunkWindow, &value, text.get()), 1);
        EXPECT_EQ(text.text(), row.expected);
        EXPECT_TRUE(text.GuardIntact()) << "a byte behind the original terminator was written";
        EXPECT_EQ(value, 7);
    }
    EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(TextInputTest, DelSpaseRejectsAFailingTextWithOneOwnerlessBox)
{
    // A window of this thread is active, as the setup engine's would be; the
    // box must still have no owner.
    HWND window = CreateWindowExA(0, "STATIC", "setup engine", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetActiveWindow(window);
    ASSERT_EQ(GetActiveWindow(), window);

    struct Row { const char* name; std::string input; } const rows[] = {
        {"0xE9 behind the 18th byte", "   " + kLetters20 + "\xE9"},
        {"0xA0 among the leading white space", " \t\xA0 abc"},
        {"0x81 first", "\x81" "abc"},
        {"0xFF alone", "\xFF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GuardedText text(row.input);
        const std::string before = text.all();
        int value = 7;
        MessageBoxCatcher catcher;

        EXPECT_EQ(delSpase_(window, &value, text.get()), 0);

        ASSERT_EQ(catcher.boxes().size(), 1u);
        const ShownBox& box = catcher.boxes()[0];
        EXPECT_EQ(box.caption, "Installing Quillet");
        EXPECT_EQ(box.text, kTypeEnglishText);
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(value, 0);
        EXPECT_EQ(text.all(), before);
    }
    DestroyWindow(window);
}

TEST_F(TextInputTest, DelSpaseNullPointers)
{
    MessageBoxCatcher catcher;
    int value = 7;
    EXPECT_EQ(delSpase_(nullptr, &value, nullptr), 1);
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(catcher.boxes().empty());

    // A failing text with no integer to set still shows its box.
    GuardedText text("\xE9t\xE9");
    EXPECT_EQ(delSpase_(nullptr, nullptr, text.get()), 0);
    EXPECT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(text.text(), "\xE9t\xE9");
}

TEST_F(TextInputTest, DelSpaseRemovesItsTwelveArgumentBytes)
{
    GuardedText text("  abc");
    int value = 7;
    EXPECT_EQ(CalleeRemovedBytes(reinterpret_cast<const void*>(delSpase_),
                                 {0, static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(&value)),
                                  static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(text.get()))}),
              12);
    EXPECT_EQ(text.text(), "abc");
}
