// RemoveProductEntries: works through the removal list with the ANSI registry
// and file functions.
#include <windows.h>

#include "last_char.h"
#include "remove_entries.h"
#include "removal_list.h"

namespace qremove {
namespace {

HKEY RootKey(Hive hive)
{
    switch (hive) {
    case Hive::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case Hive::CurrentUser:
        return HKEY_CURRENT_USER;
    case Hive::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case Hive::WindowsDirectory:
        break;
    }
    return nullptr;
}

void DeleteValue(HKEY root, const char* path, const char* name)
{
    // Write access is all a value delete needs; asking for more would fail
    // for a caller that may edit the key but not read it.
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// Deletes `fileName` in the Windows directory. A directory the platform cannot
// report, or one too long for the path buffer, leaves the step undone: a path
// without the directory text would name a file in the current directory.
void DeleteWindowsDirectoryFile(const char* fileName)
{
    char directory[kPathBufferSize];
    const UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    // 0 is a failure; a result of the buffer's size or more is the size the
    // text would need, and the buffer then holds nothing usable.
    if (length == 0 || length >= sizeof directory)
        return;

    char path[kPathBufferSize];
    lstrcpyA(path, directory);
    const bool needsSeparator = LastCharOf(path) != kPathSeparator;
    if (!DataFilePathFits(static_cast<unsigned>(lstrlenA(path)), needsSeparator, fileName))
        return;
    if (needsSeparator)
        lstrcatA(path, "\\");
    lstrcatA(path, fileName);

    // The search finds a directory of that name too; DeleteFileA then refuses
    // it, as it refuses a read-only file, and the entry stays.
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FindClose(search);
    DeleteFileA(path);
}

} // namespace

void RemoveProductEntries()
{
    for (const RemovalStep& step : kRemovalList) {
        switch (step.kind) {
        case Kind::Key:
            // One key per call: a key that still has subkeys outside the list
            // is refused by the registry and stays, with its parents.
            RegDeleteKeyA(RootKey(step.hive), step.path);
            break;
        case Kind::Value:
            DeleteValue(RootKey(step.hive), step.path, step.name);
            break;
        case Kind::File:
            DeleteWindowsDirectoryFile(step.path);
            break;
        }
    }
}

} // namespace qremove
