#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config_compose.h"
#include "text_copy.h"

using namespace qsetup;

TEST(ComposeEntryValue, AppendsWhenTheWholeFits)
{
    char value[kConfigTextSize] = "C:\\PROGRA~1\\";
    ComposeEntryValue(value, kTempDirName);
    EXPECT_STREQ(value, "C:\\PROGRA~1\\QLMCRTMP\\");
}

TEST(ComposeEntryValue, BoundaryOf511Bytes)
{
    struct { std::size_t shortLength; bool appended; } const rows[] = {
        {511 - 9, true},  // exactly 511 bytes with "QLMCRTMP\"
        {511 - 8, false}, // 512: the value becomes the name alone
        {511, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shortLength);
        char value[kConfigTextSize + 1];
        std::memset(value, 0xBD, sizeof value);
        std::memset(value, 'x', row.shortLength);
        value[row.shortLength] = '\0';
        ComposeEntryValue(std::span<char>(value, kConfigTextSize), kTempDirName);
        const std::string expected =
            row.appended ? std::string(row.shortLength, 'x') + kTempDirName : std::string(kTempDirName);
        EXPECT_EQ(std::string(value), expected);
        EXPECT_EQ(static_cast<unsigned char>(value[kConfigTextSize]), 0xBD);
    }
}

TEST(ComposeEntryValue, EmptyShortFormGivesTheNameAlone)
{
    char value[kConfigTextSize] = "";
    ComposeEntryValue(value, kMacroDirName);
    EXPECT_STREQ(value, "QLMACRO\\");
    ComposeEntryValue(value, "");
    EXPECT_STREQ(value, "QLMACRO\\");
}

TEST(AppendIfFits, LeavesTheTextWhenItWouldNotFit)
{
    char text[8] = "abc";
    EXPECT_TRUE(AppendIfFits(text, "defg")); // 7 bytes and the NUL
    EXPECT_STREQ(text, "abcdefg");
    EXPECT_FALSE(AppendIfFits(text, "h"));
    EXPECT_STREQ(text, "abcdefg");
}
