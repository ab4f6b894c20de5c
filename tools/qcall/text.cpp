#include "text.h"

#include <cstdio>

namespace qcall {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text that starts at line[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(std::string_view line, std::size_t& pos, std::string& out, std::string& error)
{
    ++pos;
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"')
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= line.size())
            break;
        const char e = line[pos++];
        switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 'x': {
            const int high = pos < line.size() ? HexDigit(line[pos]) : -1;
            const int low = pos + 1 < line.size() ? HexDigit(line[pos + 1]) : -1;
            if (high < 0 || low < 0) {
                error = "\\x in a quoted text needs two hexadecimal digits";
                return false;
            }
            out += static_cast<char>(high * 16 + low);
            pos += 2;
            break;
        }
        default:
            error = std::string("unknown escape \\") + e + " in a quoted text (write \\\\ for a backslash)";
            return false;
        }
    }
    error = "quoted text without its closing \"";
    return false;
}

} // namespace

bool SplitWords(std::string_view line, std::vector<Word>& words, std::string& error)
{
    words.clear();
    std::size_t pos = 0;
    for (;;) {
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (pos >= line.size())
            return true;
        Word word;
        if (line[pos] == '"') {
            word.quoted = true;
            if (!ReadQuoted(line, pos, word.text, error))
                return false;
            if (pos < line.size() && !IsBlank(line[pos])) {
                error = "a quoted text must be followed by a blank or the end of the line";
                return false;
            }
        } else {
            const std::size_t start = pos;
            while (pos < line.size() && !IsBlank(line[pos])) {
                if (line[pos] == '"') {
                    error = "a double quote inside a word; quote the whole word";
                    return false;
                }
                ++pos;
            }
            word.text = std::string(line.substr(start, pos - start));
        }
        words.push_back(std::move(word));
    }
}

bool ParseArgument(std::string_view argument, Word& word, std::string& error)
{
    word = Word{};
    if (argument.empty() || argument.front() != '"') {
        word.text = std::string(argument);
        return true;
    }
    word.quoted = true;
    std::size_t pos = 0;
    if (!ReadQuoted(argument, pos, word.text, error))
        return false;
    if (pos != argument.size()) {
        error = "text after the closing quote";
        return false;
    }
    return true;
}

std::string Quote(std::string_view bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; continue;
        case '"': out += "\\\""; continue;
        case '\t': out += "\\t"; continue;
        case '\n': out += "\\n"; continue;
        case '\r': out += "\\r"; continue;
        default: break;
        }
        if (b < 0x20 || b > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Printable(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

bool ParseNumber(std::string_view text, std::uint32_t& value)
{
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return false;
    std::uint64_t n = 0;
    for (const char c : text) {
        const int d = HexDigit(c);
        if (d < 0 || static_cast<unsigned>(d) >= base)
            return false;
        n = n * base + static_cast<unsigned>(d);
        if (n > 0xFFFFFFFFull)
            return false;
    }
    if (negative) {
        if (n > 0x80000000ull)
            return false;
        value = static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(n));
    } else {
        value = static_cast<std::uint32_t>(n);
    }
    return true;
}

bool IsName(std::string_view text)
{
    if (text.empty())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

} // namespace qcall
