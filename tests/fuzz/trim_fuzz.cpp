// TrimTypedText against a plain model: drop the leading bytes that are tab,
// line feed, vertical tab, form feed, carriage return or space, then keep at
// most 18 bytes. The result is never longer than 18 bytes or than its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const std::string input(text.data());

    std::size_t start = 0;
    while (start < input.size() && std::strchr("\t\n\v\f\r ", input[start]) != nullptr)
        ++start;
    const std::string expected = input.substr(start, 18);

    // Guard bytes around the output show any write outside its 19 bytes.
    char area[19 + 16];
    std::memset(area, 0xBD, sizeof area);
    std::span<char, qsetup::kTrimmedTextSize> out(area + 8, qsetup::kTrimmedTextSize);
    const std::size_t written = qsetup::TrimTypedText(text.data(), out);

    if (written != expected.size() || std::string(out.data()) != expected)
        std::abort();
    if (written > 18 || written > input.size())
        std::abort();
    for (std::size_t i = 0; i < 8; ++i)
        if (static_cast<unsigned char>(area[i]) != 0xBD || static_cast<unsigned char>(area[8 + 19 + i]) != 0xBD)
            std::abort();
    return 0;
}
