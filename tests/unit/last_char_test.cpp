#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "last_char.h"

using qremove::LastCharOf;

namespace {

struct LastCharCase {
    const char* name;
    std::string text;
    unsigned char expected;
};

const LastCharCase kCases[] = {
    {"empty text", "", 0},
    {"one byte", "a", 'a'},
    {"one backslash", "\\", '\\'},
    {"two one-byte characters", "ab", 'b'},
    {"drive root", "C:\\", '\\'},
    {"directory", "C:\\WINDOWS", 'S'},
    // A two-byte character at the end gives its lead byte.
    {"ends in a two-byte character", "C:\\\x88\xA4", 0x88},
    {"ends in a two-byte character after one-byte ones", "ab\xE0\x40", 0xE0},
    {"second byte 0x5C is not a backslash", "C:\\\x95\x5C", 0x95},
    {"second byte 0x5C alone", "\x95\x5C", 0x95},
    {"second byte 0x5C then a real backslash", "C:\\\x95\x5C\\", '\\'},
    // A lone lead byte at the end is a character of its own.
    {"lone 0x81 at the end", "C:\\\x81", 0x81},
    {"lone 0x9F at the end", "C:\\\x9F", 0x9F},
    {"lone 0xE0 at the end", "C:\\\xE0", 0xE0},
    {"lone 0xFC at the end", "C:\\\xFC", 0xFC},
    {"lone lead byte only", "\xFC", 0xFC},
    {"lone lead byte after a pair", "\x81\x40\x9F", 0x9F},
    // A lead byte as the second byte of a pair does not start a character.
    {"lead byte as a second byte, then a backslash", "\x81\x81\\", '\\'},
    {"lead byte as a second byte at the end", "a\xE0\xFC", 0xE0},
    // The bytes just outside the ranges are one-byte characters.
    {"0x80 before a backslash", "C:\\\x80\\", '\\'},
    {"0xA0 before a backslash", "C:\\\xA0\\", '\\'},
    {"0xDF before a backslash", "C:\\\xDF\\", '\\'},
    {"0xFD before a backslash", "C:\\\xFD\\", '\\'},
    {"0xFF at the end", "C:\\\xFF", 0xFF},
};

} // namespace

TEST(LastCharOf, NullText)
{
    EXPECT_EQ(LastCharOf(nullptr), 0);
}

TEST(LastCharOf, Table)
{
    for (const LastCharCase& c : kCases) {
        SCOPED_TRACE(c.name);
        // Exactly as long as the text and its terminator, so that AddressSanitizer
        // reports any read past the NUL.
        const std::size_t size = c.text.size() + 1;
        auto text = std::make_unique<char[]>(size);
        std::memcpy(text.get(), c.text.c_str(), size);

        EXPECT_EQ(static_cast<int>(LastCharOf(text.get())), static_cast<int>(c.expected));
        EXPECT_EQ(std::string(text.get()), c.text) << "the text must not change";
    }
}

TEST(LastCharOf, LeadRangesAreFixed)
{
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(qremove::IsLeadByte(static_cast<unsigned char>(b)), expected);
        // Followed by a backslash, a lead byte hides it and comes back itself.
        const char text[] = {static_cast<char>(b == 0 ? 'a' : b), '\\', '\0'};
        const unsigned char got = LastCharOf(text);
        EXPECT_EQ(got, expected ? static_cast<unsigned char>(b) : '\\');
    }
}
