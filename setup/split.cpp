#include "split.h"

#include "lead_bytes.h"
#include "text_copy.h"

namespace qsetup {

SplitOutcome SplitAtSemicolon(char* text, std::span<char> before, std::span<char> after)
{
    SetEmpty(before);
    SetEmpty(after);

    for (char* pos = text; *pos != '\0'; pos = NextCharPos(pos)) {
        if (*pos != ';')
            continue;
        *pos = '\0';
        const std::size_t beforeLength = static_cast<std::size_t>(pos - text);
        const std::size_t afterLength = TextLength(pos + 1);
        CopyIfFits(before, text, beforeLength);
        CopyIfFits(after, pos + 1, afterLength);
        return {true, beforeLength, afterLength};
    }
    return {false, 0, 0};
}

} // namespace qsetup
