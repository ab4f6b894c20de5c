#include "config_compose.h"

#include "text_copy.h"

namespace qsetup {

void ComposeEntryValue(std::span<char> value, const char* name)
{
    if (!AppendIfFits(value, name))
        CopyIfFits(value, name, TextLength(name));
}

} // namespace qsetup
