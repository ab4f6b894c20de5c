#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lead_bytes.h"
#include "split.h"

using namespace qsetup;

namespace {

struct SplitCase {
    const char* name;
    std::string input;
    bool found;
    std::string before; // also what the caller's text holds afterwards when found
    std::string after;
};

const SplitCase kCases[] = {
    {"directory and further text", "C:\\Q\\;rest", true, "C:\\Q\\", "rest"},
    {"two semicolons: the first separates", "C:\\Q\\;a;b", true, "C:\\Q\\", "a;b"},
    {"semicolon inside the path", "C:\\a;b\\;x", true, "C:\\a", "b\\;x"},
    {"leading semicolon", ";rest", true, "", "rest"},
    {"no semicolon", "C:\\Q\\", false, "", ""},
    {"empty text", "", false, "", ""},
    {"semicolon last", "C:\\Q\\;", true, "C:\\Q\\", ""},
    // A ';' right after a lead byte is that character's second byte.
    {"after 0x81", "a\x81;b;c", true, "a\x81;b", "c"},
    {"after 0x9F", "a\x9F;b;c", true, "a\x9F;b", "c"},
    {"after 0xE0", "a\xE0;b;c", true, "a\xE0;b", "c"},
    {"after 0xFC", "a\xFC;b;c", true, "a\xFC;b", "c"},
    {"after 0xE9 (an accented letter in 1252) hides the only one", "caf\xE9;x", false, "", ""},
    // The bytes just outside the ranges are single-byte characters.
    {"after 0x80", "a\x80;b;c", true, "a\x80", "b;c"},
    {"after 0xA0", "a\xA0;b;c", true, "a\xA0", "b;c"},
    {"after 0xDF", "a\xDF;b;c", true, "a\xDF", "b;c"},
    {"after 0xFD", "a\xFD;b;c", true, "a\xFD", "b;c"},
    // 0x5C as a second byte is not a path separator, and is stepped over whole.
    {"second byte 0x5C", "C:\\\x95\x5C;x", true, "C:\\\x95\x5C", "x"},
    {"second byte 0x5C then ;", "\x95\x5C\x95;;x", true, "\x95\x5C\x95;", "x"},
    // A lone lead byte before the terminator: the walk stops at the NUL.
    {"lone lead byte last", "abc\x81", false, "", ""},
    {"lone lead byte after a semicolon", "a;\xFC", true, "a", "\xFC"},
};

} // namespace

TEST(SplitAtSemicolon, Table)
{
    for (const SplitCase& c : kCases) {
        SCOPED_TRACE(c.name);
        // The input lives in a buffer with guard bytes behind its terminator.
        char text[64];
        std::memset(text, 0xBD, sizeof text);
        std::memcpy(text, c.input.c_str(), c.input.size() + 1);
        char before[32];
        char after[32];
        std::memset(before, 0xBD, sizeof before);
        std::memset(after, 0xBD, sizeof after);

        const SplitOutcome outcome = SplitAtSemicolon(text, before, after);

        EXPECT_EQ(outcome.found, c.found);
        EXPECT_EQ(std::string(before), c.before);
        EXPECT_EQ(std::string(after), c.after);
        EXPECT_EQ(outcome.beforeLength, c.before.size());
        const std::string expectedText = c.found ? c.before : c.input;
        EXPECT_EQ(std::string(text), expectedText);
        // Nothing but the separator changed, and nothing past the terminator.
        std::string expectedBytes = c.input;
        if (c.found)
            expectedBytes[c.before.size()] = '\0';
        EXPECT_EQ(std::string(text, c.input.size()), expectedBytes);
        EXPECT_EQ(static_cast<unsigned char>(text[c.input.size() + 1]), 0xBD);
    }
}

TEST(SplitAtSemicolon, PartThatDoesNotFitLeavesItsOutputEmpty)
{
    char text[] = "abcdefgh;ijk";
    char before[8]; // "abcdefgh" needs 9 bytes
    char after[4];  // "ijk" needs exactly 4
    std::memset(before, 0xBD, sizeof before);
    const SplitOutcome outcome = SplitAtSemicolon(text, before, after);
    EXPECT_TRUE(outcome.found);
    EXPECT_EQ(outcome.beforeLength, 8u);
    EXPECT_STREQ(before, "");
    EXPECT_STREQ(after, "ijk");
    EXPECT_STREQ(text, "abcdefgh");
}

TEST(SplitAtSemicolon, EmptyOutputIsNotWritten)
{
    char text[] = "dir\\;x";
    const SplitOutcome outcome = SplitAtSemicolon(text, {}, {});
    EXPECT_TRUE(outcome.found);
    EXPECT_EQ(outcome.beforeLength, 4u);
    EXPECT_STREQ(text, "dir\\");
}

TEST(NextCharPos, NeverStepsOverTheTerminator)
{
    const char lone[] = "\x81";
    EXPECT_EQ(NextCharPos(lone), lone + 1);
    const char pair[] = "\x81\x40";
    EXPECT_EQ(NextCharPos(pair), pair + 2);
    const char plain[] = "a";
    EXPECT_EQ(NextCharPos(plain), plain + 1);
}

TEST(IsLeadByte, RangeEnds)
{
    for (int b = 0; b < 256; ++b) {
        const bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(b)), expected) << b;
    }
}
