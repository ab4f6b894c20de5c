#include "fixtures.h"

namespace harness {

UniqueLibrary LoadTestLibrary(const char* fileName)
{
    return UniqueLibrary(LoadLibraryA(fileName));
}

bool DeleteTree(HKEY root, const char* path)
{
    RegDeleteTreeA(root, path);
    RegDeleteKeyA(root, path);
    return !KeyExists(root, path);
}

bool KeyExists(HKEY root, const char* path)
{
    UniqueKey key;
    return RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

UniqueKey CreateKey(HKEY root, const char* path)
{
    UniqueKey key;
    RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    return key;
}

std::vector<RegValue> ReadValues(HKEY root, const char* path)
{
    std::vector<RegValue> values;
    UniqueKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD dataLength = 0;
        if (RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, nullptr, &dataLength) != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(dataLength);
        nameLength = sizeof name;
        RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data.data(), &dataLength);
        data.resize(dataLength);
        values.push_back({std::string(name, nameLength), type, data});
    }
    return values;
}

void SetValue(HKEY key, const RegValue& value)
{
    RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                   static_cast<DWORD>(value.data.size()));
}

std::string WindowsDirectory()
{
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileBytes(const std::string& path)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got != 0)
        bytes.append(chunk, got);
    return bytes;
}

void RemovePath(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path.c_str()))
        RemoveDirectoryA(path.c_str());
}

} // namespace harness
