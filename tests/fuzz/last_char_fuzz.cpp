// LastCharOf against a plain model: split the text into characters from the
// front (a lead byte of 0x81-0x9F or 0xE0-0xFC takes the next byte with it,
// unless it is the last byte) and return the first byte of the last one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "last_char.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const std::size_t length = std::strlen(text.data());

    unsigned char expected = 0;
    for (std::size_t i = 0; i < length;) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        expected = b;
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        i += (lead && i + 1 < length) ? 2 : 1;
    }
    if (qremove::LastCharOf(text.data()) != expected)
        std::abort();
    // A backslash is only ever reported for a text whose last byte is one and
    // is not the second byte of a double-byte character.
    if (expected == '\\' && text[length - 1] != '\\')
        std::abort();
    return 0;
}
