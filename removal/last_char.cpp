#include "last_char.h"

#include <cstddef>

namespace qremove {

unsigned char LastCharOf(const char* text)
{
    if (text == nullptr || text[0] == '\0')
        return 0;

    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t length = 0;
    while (bytes[length] != 0)
        ++length;
    const std::size_t last = length - 1;

    // Stops at `last` at the latest, so a lead byte in the final position is
    // never paired with the terminator.
    std::size_t i = 0;
    while (i < last)
        i += IsLeadByte(bytes[i]) ? 2 : 1;

    // Past `last` means the final byte was the second byte of a pair, which a
    // trailing 0x5C must not be mistaken for: a lead byte is never 0x5C.
    return i == last ? bytes[last] : bytes[last - 1];
}

} // namespace qremove
