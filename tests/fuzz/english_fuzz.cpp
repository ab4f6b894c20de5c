// IsEnglishText against a plain model: a text is English when no byte before
// its terminator is above 0x80.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<unsigned char> text(data, data + size);
    text.push_back(0);
    const std::size_t length = std::strlen(reinterpret_cast<const char*>(text.data()));

    bool expected = true;
    for (std::size_t i = 0; i < length; ++i)
        if (text[i] > 0x80)
            expected = false;

    if (qsetup::IsEnglishText(std::span<const unsigned char>(text.data(), length)) != expected)
        std::abort();
    return 0;
}
