// SplitAtSemicolon against a plain model of the rule: walk the text one
// character at a time (two bytes after a lead byte of 0x81-0x9F or 0xE0-0xFC,
// unless the terminator follows) and stop at the first ';' that begins one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "split.h"

namespace {

// Position of the separator, or -1.
long ModelSeparator(const std::vector<char>& text)
{
    std::size_t i = 0;
    while (text[i] != '\0') {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b == ';')
            return static_cast<long>(i);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        i += (lead && text[i + 1] != '\0') ? 2 : 1;
    }
    return -1;
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The text ends at the first NUL of the input or at its end; guard bytes follow.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const std::size_t length = std::strlen(text.data());
    const std::vector<char> original = text;
    const long separator = ModelSeparator(text);

    char before[64];
    char after[64];
    const qsetup::SplitOutcome outcome = qsetup::SplitAtSemicolon(text.data(), before, after);

    Check(outcome.found == (separator >= 0));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool isSeparator = separator >= 0 && i == static_cast<std::size_t>(separator);
        Check(text[i] == (isSeparator ? '\0' : original[i]));
    }
    if (separator < 0) {
        Check(before[0] == '\0' && after[0] == '\0');
        return 0;
    }
    const std::size_t beforeLength = static_cast<std::size_t>(separator);
    const std::size_t afterLength = length - beforeLength - 1;
    Check(outcome.beforeLength == beforeLength && outcome.afterLength == afterLength);
    // Each part is copied whole when it fits its buffer, and not at all otherwise.
    if (beforeLength < sizeof before)
        Check(std::memcmp(before, original.data(), beforeLength) == 0 && before[beforeLength] == '\0');
    else
        Check(before[0] == '\0');
    if (afterLength < sizeof after)
        Check(std::memcmp(after, original.data() + beforeLength + 1, afterLength) == 0 &&
              after[afterLength] == '\0');
    else
        Check(after[0] == '\0');
    return 0;
}
