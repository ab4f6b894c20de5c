// The last character of an ANSI text, walked with fixed double-byte lead ranges.
// The ranges are those of code page 932 and deliberately do not follow the
// system's code page, so the removal hook composes the same path on every
// machine it was written for.
#pragma once

namespace qremove {

constexpr bool IsLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The first byte of the text's last character: the byte itself for a one-byte
// character or a lone lead byte at the end, the lead byte for a two-byte
// character. 0 for a null or empty text. Never reads past the terminator.
unsigned char LastCharOf(const char* text);

} // namespace qremove
