#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text_checks.h"

using namespace qsetup;

TEST(IsEnglishText, ByteInFirstMiddleAndLastPlace)
{
    // 0x00 is the terminator: the length is taken up to it, as lstrlenA does,
    // so the 0xFF that lies behind the first terminator is never judged.
    struct Row { unsigned char byte; bool english; } const rows[] = {
        {0x00, true}, {0x7F, true}, {0x80, true}, {0x81, false}, {0xA0, false}, {0xFF, false},
    };
    for (const Row& row : rows) {
        for (const std::size_t place : {std::size_t{0}, std::size_t{2}, std::size_t{4}}) {
            SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(row.byte) << " at " << place);
            unsigned char text[] = {'a', 'b', 'c', 'd', 'e', 0x00, 0xFF, 0x00};
            text[place] = row.byte;
            const std::size_t length = std::strlen(reinterpret_cast<const char*>(text));
            EXPECT_EQ(IsEnglishText({text, length}), row.english);
        }
    }
}

TEST(IsTypedWhiteSpace, ExactlySixBytes)
{
    for (int b = 0; b < 256; ++b) {
        const bool expected = b == 0x09 || b == 0x0A || b == 0x0B || b == 0x0C || b == 0x0D || b == 0x20;
        EXPECT_EQ(IsTypedWhiteSpace(static_cast<unsigned char>(b)), expected) << b;
    }
}

TEST(TrimTypedText, Table)
{
    const std::string letters20 = "ABCDEFGHIJKLMNOPQRST";
    const std::string letters25 = "abcdefghijklmnopqrstuvwxy";
    struct Row { const char* name; std::string input; std::string expected; } const rows[] = {
        {"empty", "", ""},
        {"spaces only", "     ", ""},
        {"all six white-space bytes only", "\t\n\v\f\r ", ""},
        {"tab CR LF two spaces abc two spaces", "\t\r\n  abc  ", "abc  "},
        {"25 letters", letters25, letters25.substr(0, 18)},
        {"three spaces and 20 letters", "   " + letters20, letters20.substr(0, 18)},
        {"exactly 18 bytes after the skip", " \t" + letters20.substr(0, 18), letters20.substr(0, 18)},
        {"17 bytes", letters20.substr(0, 17), letters20.substr(0, 17)},
        {"inner and trailing white space kept", " a b\tc \r\n", "a b\tc \r\n"},
        {"leading 0x80 is not white space", "\x80" "abc", "\x80" "abc"},
        {"leading 0xA0 is not white space", "\xA0" "abc", "\xA0" "abc"},
        {"leading 0x0B", "\x0B" "abc", "abc"},
        {"leading 0x0C", "\x0C" "abc", "abc"},
        {"0x1F and 0x0E are not white space", "\x1F\x0E" "a", "\x1F\x0E" "a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char out[kTrimmedTextSize + 1];
        std::memset(out, 0xBD, sizeof out);

        const std::size_t length = TrimTypedText(row.input.c_str(), std::span<char, kTrimmedTextSize>(out, kTrimmedTextSize));

        EXPECT_EQ(length, row.expected.size());
        EXPECT_EQ(std::string(out), row.expected);
        // The whole work buffer is NUL behind the text; the byte past it is not touched.
        for (std::size_t i = row.expected.size(); i < kTrimmedTextSize; ++i)
            EXPECT_EQ(out[i], '\0') << i;
        EXPECT_EQ(static_cast<unsigned char>(out[kTrimmedTextSize]), 0xBD);
    }
}

TEST(TrimTypedText, ReadsNothingPastTheTerminator)
{
    // A heap block exactly as long as the text: ASan reports any read past it.
    const std::string input = "  short";
    auto* text = new char[input.size() + 1];
    std::memcpy(text, input.c_str(), input.size() + 1);
    char out[kTrimmedTextSize];
    EXPECT_EQ(TrimTypedText(text, out), 5u);
    EXPECT_STREQ(out, "short");
    delete[] text;
}
