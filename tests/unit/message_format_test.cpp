#include <gtest/gtest.h>

#include <string>

#include "message_format.h"

using namespace qsetup;

TEST(IsSingleTextTemplate, OnlyOnePlainPlaceholderIsFormatted)
{
    struct { const char* templ; bool single; } const rows[] = {
        {"Error in %s\nCheck", true},
        {"Please type %s using English alphabet only.", true},
        {"no placeholder", false},
        {"%s and %s", false},
        {"%d", false},
        {"100%% %s", false},
        {"%s trailing %", false},
        {"%", false},
        {"%s", true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsSingleTextTemplate(row.templ), row.single) << row.templ;
}

TEST(FittingArgumentLength, MessageHoldsAtMost259Bytes)
{
    const std::string templ = "Error in %s!"; // 10 fixed bytes
    const std::size_t room = 259 - 10;
    struct { std::size_t argLength; std::size_t taken; } const rows[] = {
        {0, 0}, {9, 9}, {room - 1, room - 1}, {room, room}, {room + 1, room}, {100000, room},
    };
    for (const auto& row : rows) {
        const std::string arg(row.argLength, 'a');
        const std::size_t taken = FittingArgumentLength(templ.c_str(), arg.c_str());
        EXPECT_EQ(taken, row.taken) << row.argLength;
        EXPECT_LE(templ.size() - 2 + taken, 259u);
    }
}

TEST(FittingArgumentLength, CutNeverSplitsADoubleByteCharacter)
{
    const std::string templ = "%s"; // the whole message is the argument
    // 258 single bytes, then a double-byte character that would end at 260.
    std::string arg(258, 'a');
    arg += "\x82\xA0";
    EXPECT_EQ(FittingArgumentLength(templ.c_str(), arg.c_str()), 258u);
    // One byte fewer, and the character ends exactly at 259.
    arg.erase(0, 1);
    EXPECT_EQ(FittingArgumentLength(templ.c_str(), arg.c_str()), 259u);
}

TEST(FittingArgumentLength, PercentSignsCountAsPlainBytes)
{
    EXPECT_EQ(FittingArgumentLength("in %s", "100%s%d"), 7u);
}
