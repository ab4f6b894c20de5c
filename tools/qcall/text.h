// Words of a qcall command line or script line, and the quoted form in which
// qcall prints texts so that a transcript is plain ASCII.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qcall {

struct Word {
    std::string text;
    bool quoted = false;   // "..." in the source: never a keyword, a name or a number
};

// Splits a script line into words. A word is a run of bytes without blanks,
// taken literally (so that C:\xfer\ stays a path), or a double-quoted text
// with the escapes \\ \" \t \n \r and \xNN. False with a message on a fault.
bool SplitWords(std::string_view line, std::vector<Word>& words, std::string& error);

// One command-line argument: quoted when it starts with a double quote (the
// shell has already removed its own quoting), literal otherwise.
bool ParseArgument(std::string_view argument, Word& word, std::string& error);

// "..." with \\, \", \t, \n, \r and \xNN for every other byte below 0x20 or above 0x7E.
std::string Quote(std::string_view bytes);
// The bytes as they are, except that bytes below 0x20 or above 0x7E become \xNN.
std::string Printable(std::string_view bytes);

// A 32-bit number: decimal, optionally negative, or hexadecimal 0x...; any
// value from -2147483648 to 4294967295, kept as its 32 bits.
bool ParseNumber(std::string_view text, std::uint32_t& value);

// A word that can name a handle: a letter or _, then letters, digits and _.
bool IsName(std::string_view text);

std::string Hex(std::uint32_t value);   // 0x1F

} // namespace qcall
