// Cutting the setup engine's "directory;further text" argument.
#pragma once

#include <cstddef>
#include <span>

namespace qsetup {

struct SplitOutcome {
    bool found;              // the text held a separator
    std::size_t beforeLength; // bytes before it (0 when none was found)
    std::size_t afterLength;  // bytes after it, up to the terminator
};

// Finds the first ';' that begins a character, writes a NUL over it and copies
// the text before it into `before` and the text after it into `after`. Each
// output receives its part only when the part and its NUL fit; otherwise (and
// when there is no separator) it is left as an empty text. An output of size 0
// is not written at all, so a caller that does not need a part passes {}.
SplitOutcome SplitAtSemicolon(char* text, std::span<char> before, std::span<char> after);

} // namespace qsetup
