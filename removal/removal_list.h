// What the product leaves on a machine, as the removal hook deletes it.
#pragma once

#include <cstddef>

namespace qremove {

// Where a step's path is rooted. The glue maps the hives to the predefined
// registry handles; WindowsDirectory is the directory the platform reports.
enum class Hive { ClassesRoot, CurrentUser, LocalMachine, WindowsDirectory };

enum class Kind {
    Key,   // `path` is deleted as one key; a key that still has subkeys stays
    Value, // the value `name` of the key `path` is deleted
    File,  // the file `path` in the Windows directory is deleted
};

struct RemovalStep {
    Hive hive;
    Kind kind;
    const char* path;
    const char* name; // the value's name for Kind::Value, else null
};

// The registry deletes one key at a time and refuses a key that still has
// subkeys, so within each tree the keys run deepest first. The publisher's
// key "Software\Tarvolin" is shared with other products and is not listed.
inline constexpr RemovalStep kRemovalList[] = {
    {Hive::ClassesRoot, Kind::Key, ".qx", nullptr},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\shell\\open\\command", nullptr},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\shell\\open", nullptr},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\shell", nullptr},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\DefaultIcon", nullptr},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT", nullptr},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95\\2.0\\Guard", nullptr},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95\\2.0\\General", nullptr},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95\\2.0", nullptr},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95", nullptr},
    {Hive::LocalMachine, Kind::Value, "SOFTWARE\\Microsoft\\Exchange\\Client\\Extensions", "QuilletGuard"},
    {Hive::WindowsDirectory, Kind::File, "extend.dat", nullptr},
};

// The directory text and the path composed from it each get MAX_PATH bytes.
inline constexpr std::size_t kPathBufferSize = 260;
inline constexpr char kPathSeparator = '\\';

// Whether a directory text of `directoryLength` bytes, the separator when it is
// needed, `fileName` and the terminator fit the path buffer.
constexpr bool DataFilePathFits(std::size_t directoryLength, bool needsSeparator, const char* fileName)
{
    std::size_t nameLength = 0;
    while (fileName[nameLength] != '\0')
        ++nameLength;
    return directoryLength + (needsSeparator ? 1 : 0) + nameLength + 1 <= kPathBufferSize;
}

} // namespace qremove
