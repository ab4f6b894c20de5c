// Tests and trimming for text that the user typed during installation.
#pragma once

#include <cstddef>
#include <span>

namespace qsetup {

// Room for a trimmed text: 18 bytes and the terminating NUL.
inline constexpr std::size_t kTrimmedTextMax = 18;
inline constexpr std::size_t kTrimmedTextSize = kTrimmedTextMax + 1;

// 0x80 itself still counts as English: the setup scripts were written against
// a "greater than 0x80" test, not a high-bit test.
constexpr bool IsEnglishByte(unsigned char b)
{
    return b <= 0x80;
}

// Exactly the six C-locale white-space bytes; nothing from 0x80 up (0xA0, the
// no-break space of many code pages, included) counts, whatever the code page.
constexpr bool IsTypedWhiteSpace(unsigned char b)
{
    return b == ' ' || (b >= 0x09 && b <= 0x0D);
}

// True when every byte of `text` (the bytes before its terminator) is English.
bool IsEnglishText(std::span<const unsigned char> text);

// Skips the leading white space of the NUL-terminated `text` and writes at
// most the next 18 bytes and a NUL into `out`. Returns the bytes written
// before the NUL. `out` is zero-filled first, so its tail is always NUL.
std::size_t TrimTypedText(const char* text, std::span<char, kTrimmedTextSize> out);

} // namespace qsetup
