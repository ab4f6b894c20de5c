// Bounded text copies for fixed buffers. Every function knows the room it has
// and never writes past it; none of them cuts a text silently.
#pragma once

#include <cstddef>
#include <span>

namespace qsetup {

constexpr std::size_t TextLength(const char* text)
{
    std::size_t n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

constexpr void SetEmpty(std::span<char> out)
{
    if (!out.empty())
        out[0] = '\0';
}

// Copies `length` bytes of `text` and a NUL into `out` when they fit; otherwise
// leaves `out` empty. Returns whether the copy was made.
constexpr bool CopyIfFits(std::span<char> out, const char* text, std::size_t length)
{
    if (length >= out.size()) {
        SetEmpty(out);
        return false;
    }
    for (std::size_t i = 0; i < length; ++i)
        out[i] = text[i];
    out[length] = '\0';
    return true;
}

// Appends `suffix` to the text in `out` when the whole fits; otherwise leaves
// the text as it was. Returns whether the suffix was appended.
constexpr bool AppendIfFits(std::span<char> out, const char* suffix)
{
    const std::size_t have = TextLength(out.data());
    const std::size_t add = TextLength(suffix);
    if (have + add >= out.size())
        return false;
    for (std::size_t i = 0; i <= add; ++i)
        out[have + i] = suffix[i];
    return true;
}

} // namespace qsetup
