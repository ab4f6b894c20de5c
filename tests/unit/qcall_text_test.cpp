// The words, numbers and quoting of qcall's command lines, scripts and
// transcripts.
#include "text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using qcall::Word;

TEST(QcallNumber, AcceptsEvery32BitValueAndNothingElse)
{
    struct Row {
        const char* text;
        bool ok;
        std::uint32_t value;
    } const rows[] = {
        {"0", true, 0},
        {"7", true, 7},
        {"-1", true, 0xFFFFFFFFu},
        {"-2147483648", true, 0x80000000u},
        {"-2147483649", false, 0},
        {"4294967295", true, 0xFFFFFFFFu},
        {"4294967296", false, 0},
        {"0x0", true, 0},
        {"0x2001F", true, 0x2001F},
        {"0XffffFFFF", true, 0xFFFFFFFFu},
        {"0x100000000", false, 0},
        {"-0x10", true, 0xFFFFFFF0u},
        {"0x", false, 0},
        {"-", false, 0},
        {"", false, 0},
        {"12a", false, 0},
        {"0x12g", false, 0},
        {" 1", false, 0},
        {"+1", false, 0},
        {"99999999999999999999999", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("\"") + row.text + "\"");
        std::uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(qcall::ParseNumber(row.text, value), row.ok);
        if (row.ok) {
            EXPECT_EQ(value, row.value);
        }
    }
}

TEST(QcallWords, SplitsALineIntoLiteralWordsAndQuotedTexts)
{
    struct Row {
        const char* line;
        std::vector<Word> words;
    } const rows[] = {
        {"", {}},
        {"  \t ", {}},
        {"qsetup.dll GetName 0 7 C:\\xfer\\;x", {{"qsetup.dll"}, {"GetName"}, {"0"}, {"7"}, {"C:\\xfer\\;x"}}},
        {"a \"b c\"\td", {{"a"}, {"b c", true}, {"d"}}},
        {"\"\"", {{"", true}}},
        {"\"null\" null", {{"null", true}, {"null"}}},
        {"\"\\\\ \\\" \\t\\n\\r\\x00\\xE9\\x7f\"", {{std::string("\\ \" \t\n\r\0\xE9\x7F", 10), true}}},
        {"log = x", {{"log"}, {"="}, {"x"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        std::vector<Word> words{{"junk"}};
        std::string error;
        ASSERT_TRUE(qcall::SplitWords(row.line, words, error)) << error;
        ASSERT_EQ(words.size(), row.words.size());
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(words[i].text, row.words[i].text) << "word " << i;
            EXPECT_EQ(words[i].quoted, row.words[i].quoted) << "word " << i;
        }
    }
}

TEST(QcallWords, RefusesWhatItCannotReadWithAReason)
{
    struct Row {
        const char* line;
        const char* error;
    } const rows[] = {
        {"a \"open", "quoted text without its closing \""},
        {"\"ends in a backslash\\\"", "quoted text without its closing \""},
        {"\"C:\\Quillet\"", "unknown escape \\Q in a quoted text (write \\\\ for a backslash)"},
        {"\"\\x4\"", "\\x in a quoted text needs two hexadecimal digits"},
        {"\"\\x\"", "\\x in a quoted text needs two hexadecimal digits"},
        {"\"a\"b", "a quoted text must be followed by a blank or the end of the line"},
        {"ab\"c\"", "a double quote inside a word; quote the whole word"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        std::vector<Word> words;
        std::string error;
        EXPECT_FALSE(qcall::SplitWords(row.line, words, error));
        EXPECT_EQ(error, row.error);
    }
}

TEST(QcallWords, TakesACommandLineArgumentAsQuotedOnlyWhenItStartsWithAQuote)
{
    Word word;
    std::string error;
    ASSERT_TRUE(qcall::ParseArgument("C:\\Program Files\\Q\\;x", word, error));
    EXPECT_EQ(word.text, "C:\\Program Files\\Q\\;x");
    EXPECT_FALSE(word.quoted);
    ASSERT_TRUE(qcall::ParseArgument("\"caf\\xE9\"", word, error));
    EXPECT_EQ(word.text, "caf\xE9");
    EXPECT_TRUE(word.quoted);
    EXPECT_FALSE(qcall::ParseArgument("\"a\" b", word, error));
    EXPECT_EQ(error, "text after the closing quote");
}

TEST(QcallQuote, PrintsEveryByteAsPlainAsciiThatReadsBackToTheSameBytes)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string quoted = qcall::Quote(all);
    for (const char c : quoted)
        ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << "byte " << int(static_cast<unsigned char>(c));
    Word word;
    std::string error;
    ASSERT_TRUE(qcall::ParseArgument(quoted, word, error)) << error;
    EXPECT_EQ(word.text, all);

    EXPECT_EQ(qcall::Quote("C:\\Q\\;\"x\"\xE9\x7F~"), "\"C:\\\\Q\\\\;\\\"x\\\"\\xE9\\x7F~\"");
    EXPECT_EQ(qcall::Printable("C:\\Q\\\t\xA0"), "C:\\Q\\\\x09\\xA0");
}

TEST(QcallNames, AreIdentifiers)
{
    EXPECT_TRUE(qcall::IsName("log"));
    EXPECT_TRUE(qcall::IsName("_h2"));
    EXPECT_FALSE(qcall::IsName("2h"));
    EXPECT_FALSE(qcall::IsName(""));
    EXPECT_FALSE(qcall::IsName("a-b"));
    EXPECT_FALSE(qcall::IsName("a.b"));
}

} // namespace
