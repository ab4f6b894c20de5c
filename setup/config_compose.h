// Composing the values that GetName writes into quill.ini.
#pragma once

#include <cstddef>
#include <span>

namespace qsetup {

// Working texts of GetName: up to 511 bytes and a NUL.
inline constexpr std::size_t kConfigTextSize = 512;

inline constexpr char kProductExe[] = "qrunner.exe";
inline constexpr char kTempDirName[] = "QLMCRTMP\\";
inline constexpr char kMacroDirName[] = "QLMACRO\\";

// `value` holds a short path, or an empty text when none could be formed.
// Appends `name` to it. When the two do not fit the buffer, the value becomes
// `name` alone: the same entry as for a path whose short form cannot be formed,
// never a cut path that would name some other directory.
void ComposeEntryValue(std::span<char> value, const char* name);

} // namespace qsetup
