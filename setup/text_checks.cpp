#include "text_checks.h"

namespace qsetup {

bool IsEnglishText(std::span<const unsigned char> text)
{
    for (const unsigned char b : text) {
        if (!IsEnglishByte(b))
            return false;
    }
    return true;
}

std::size_t TrimTypedText(const char* text, std::span<char, kTrimmedTextSize> out)
{
    for (char& c : out)
        c = '\0';

    const char* pos = text;
    while (*pos != '\0' && IsTypedWhiteSpace(static_cast<unsigned char>(*pos)))
        ++pos;

    std::size_t length = 0;
    while (length < kTrimmedTextMax && pos[length] != '\0') {
        out[length] = pos[length];
        ++length;
    }
    out[length] = '\0';
    return length;
}

} // namespace qsetup
