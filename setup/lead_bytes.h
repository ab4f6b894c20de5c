// Character walk over ANSI text with fixed double-byte lead ranges.
// The ranges are those of code page 932 and deliberately do not follow the
// system's code page: setup scripts were written against this behaviour.
#pragma once

namespace qsetup {

constexpr bool IsLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Position of the next character's first byte. A lead byte directly before the
// terminator is a character of its own, so the walk can never step over the NUL.
constexpr const char* NextCharPos(const char* pos)
{
    if (IsLeadByte(static_cast<unsigned char>(pos[0])) && pos[1] != '\0')
        return pos + 2;
    return pos + 1;
}

constexpr char* NextCharPos(char* pos)
{
    return const_cast<char*>(NextCharPos(static_cast<const char*>(pos)));
}

} // namespace qsetup
