// Deciding what ShowResourceMessage may hand to wsprintfA.
#pragma once

#include <cstddef>

namespace qsetup {

// Template, caption and message text buffers: up to 259 bytes and a NUL.
inline constexpr std::size_t kMessageSize = 260;

// True when the template holds exactly one "%s" and no other '%'. Only such a
// template is formatted; wsprintfA would read a further argument from the
// stack for any other conversion.
bool IsSingleTextTemplate(const char* templ);

// How many leading bytes of `arg` go into the message so that `templ` with them
// in place of its "%s" holds at most kMessageSize - 1 bytes. A longer argument
// is cut at a character boundary, never inside a double-byte character.
std::size_t FittingArgumentLength(const char* templ, const char* arg);

} // namespace qsetup
