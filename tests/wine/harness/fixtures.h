// Small helpers that the Wine tests share: the DLLs under test, registry
// trees and files that a test builds and removes again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "unique_handle.h"

namespace harness {

// Loads a DLL under test by its file name, as the setup engines do: the
// application directory (where the build puts the DLLs) is searched first.
UniqueLibrary LoadTestLibrary(const char* fileName);

// The export by its exported name, cast to the given function type.
template <typename F>
F Export(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Deletes a key with all its subkeys; true when it is gone afterwards.
bool DeleteTree(HKEY root, const char* path);
bool KeyExists(HKEY root, const char* path);

// Creates the key (and its parents) and returns it open with all access.
UniqueKey CreateKey(HKEY root, const char* path);

struct RegValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const RegValue&) const = default;
};

// Every value of the key in the order the registry lists them.
std::vector<RegValue> ReadValues(HKEY root, const char* path);
void SetValue(HKEY key, const RegValue& value);
inline RegValue Sz(const std::string& name, const std::string& text)
{
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    return {name, REG_SZ, data};
}

std::string WindowsDirectory();
bool FileExists(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
// Removes a file or an empty directory, clearing a read-only attribute first.
void RemovePath(const std::string& path);

} // namespace harness
