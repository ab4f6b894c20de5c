// Stage steps: what a script sets up and looks at around its calls, through
// qcall's own platform calls (never traced: the trace patches only the DLLs).
//   @echo TEXT...                    prints the rest of the line
//   @mkdir PATH                      creates a directory (one level)
//   @write PATH DATA                 creates or replaces a file with DATA
//   @delete PATH                     removes a file or an empty directory, if there
//   @show PATH                       prints a file's lines, a directory's names, or absent
//   @setkey KEY [NAME DATA]          creates the key; sets NAME to the REG_SZ text DATA
//   @delkey KEY                      deletes the key with its subkeys, if there
//   @showkey KEY                     prints the key's values in the order the registry lists them
#include "program.h"
#include "report.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace qcall {
namespace {

struct StageForm {
    const char* name;
    std::size_t minimum, maximum;
    const char* usage;
};

constexpr StageForm kStageForms[] = {
    {"echo", 0, 0, "@echo TEXT..."},
    {"mkdir", 1, 1, "@mkdir PATH"},
    {"write", 2, 2, "@write PATH DATA"},
    {"delete", 1, 1, "@delete PATH"},
    {"show", 1, 1, "@show PATH"},
    {"setkey", 1, 3, "@setkey KEY [NAME DATA]"},
    {"delkey", 1, 1, "@delkey KEY"},
    {"showkey", 1, 1, "@showkey KEY"},
};

std::string Error(DWORD error)
{
    const std::string name = ErrorName(error);
    return "error " + std::to_string(error) + (name.empty() ? "" : " " + name);
}

bool SplitKey(const std::string& text, HKEY& root, std::string& path)
{
    struct { const char* name; HKEY root; } const roots[] = {
        {"HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKCU", HKEY_CURRENT_USER}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKCR", HKEY_CLASSES_ROOT}, {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKU", HKEY_USERS}, {"HKEY_USERS", HKEY_USERS},
    };
    const std::size_t slash = text.find('\\');
    const std::string head = text.substr(0, slash);
    for (const auto& r : roots) {
        if (lstrcmpiA(head.c_str(), r.name) == 0 && slash != std::string::npos && slash + 1 < text.size()) {
            root = r.root;
            path = text.substr(slash + 1);
            return true;
        }
    }
    return false;
}

std::string ValueText(DWORD type, const std::vector<BYTE>& data)
{
    std::string bytes(data.begin(), data.end());
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && !bytes.empty() && bytes.back() == '\0') {
        bytes.pop_back();
        return std::string(type == REG_SZ ? "REG_SZ " : "REG_EXPAND_SZ ") + Quote(bytes);
    }
    if (type == REG_DWORD && data.size() == 4) {
        DWORD value;
        std::memcpy(&value, data.data(), 4);
        return "REG_DWORD " + Hex(value);
    }
    return "type " + std::to_string(type) + " " + Quote(bytes);
}

bool ShowKey(const std::string& text)
{
    HKEY root;
    std::string path;
    SplitKey(text, root, path);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Line("key " + Printable(text) + " absent");
        return true;
    }
    Line("key " + Printable(text));
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameSize = sizeof name, type = 0, dataSize = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(dataSize);
        nameSize = sizeof name;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        data.resize(dataSize);
        Line("  value " + Quote(std::string(name, nameSize)) + " " + ValueText(type, data));
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Line("  subkey " + Printable(std::string(name, nameSize)));
    }
    RegCloseKey(key);
    return true;
}

bool ShowPath(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Line("file " + Printable(path) + " absent");
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        Line("directory " + Printable(path));
        std::string pattern = path;
        if (pattern.empty() || pattern.back() != '\\')
            pattern += '\\';
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((pattern + "*").c_str(), &found);
        std::vector<std::string> names;
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0)
                    names.emplace_back(found.cFileName);
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            Line("  | " + Printable(name));
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    const std::string bytes = content.str();
    Line("file " + Printable(path) + ", " + std::to_string(bytes.size()) + " bytes");
    std::stringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        Line("  | " + Printable(line));
    }
    return true;
}

} // namespace

bool CheckStageStep(const Step& step, std::string& error)
{
    const StageForm* form = std::find_if(std::begin(kStageForms), std::end(kStageForms),
                                         [&](const StageForm& f) { return step.name == f.name; });
    if (form == std::end(kStageForms)) {
        error = "unknown stage step @" + step.name + "; there are";
        for (const StageForm& f : kStageForms)
            error += std::string(" @") + f.name;
        return false;
    }
    const std::size_t n = step.arguments.size();
    if (n < form->minimum || n > form->maximum || (step.name == "setkey" && n == 2)) {
        error = std::string("usage: ") + form->usage;
        return false;
    }
    if (step.name.find("key") != std::string::npos) {
        HKEY root;
        std::string path;
        if (!SplitKey(step.arguments[0].text, root, path)) {
            error = "KEY must start with HKLM\\, HKCU\\, HKCR\\ or HKU\\ and name a key below it, not " +
                    Quote(step.arguments[0].text);
            return false;
        }
    }
    return true;
}

bool RunStageStep(const Step& step, std::string& error)
{
    const auto& a = step.arguments;
    if (step.name == "echo") {
        Line(step.text);
        return true;
    }
    if (step.name == "show")
        return ShowPath(a[0].text);
    if (step.name == "showkey")
        return ShowKey(a[0].text);
    if (step.name == "mkdir") {
        if (!CreateDirectoryA(a[0].text.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            error = "cannot create the directory " + Printable(a[0].text) + ": " + Error(GetLastError());
            return false;
        }
        return true;
    }
    if (step.name == "write") {
        HANDLE file = CreateFileA(a[0].text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        DWORD written = 0;
        const bool ok = file != INVALID_HANDLE_VALUE &&
                        WriteFile(file, a[1].text.data(), static_cast<DWORD>(a[1].text.size()), &written, nullptr) &&
                        written == a[1].text.size();
        const DWORD lastError = GetLastError();
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!ok) {
            error = "cannot write the file " + Printable(a[0].text) + ": " + Error(lastError);
            return false;
        }
        return true;
    }
    if (step.name == "delete") {
        const char* path = a[0].text.c_str();
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return true;
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
        const BOOL ok = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path) : DeleteFileA(path);
        if (!ok) {
            error = "cannot delete " + Printable(a[0].text) + ": " + Error(GetLastError());
            return false;
        }
        return true;
    }

    HKEY root;
    std::string path;
    SplitKey(a[0].text, root, path);
    if (step.name == "setkey") {
        HKEY key = nullptr;
        LONG status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS && a.size() == 3)
            status = RegSetValueExA(key, a[1].text.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(a[2].text.c_str()),
                                    static_cast<DWORD>(a[2].text.size() + 1));
        if (key != nullptr)
            RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            error = "cannot set " + Printable(a[0].text) + ": " + Error(static_cast<DWORD>(status));
            return false;
        }
        return true;
    }
    // delkey
    const LONG status = RegDeleteTreeA(root, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        error = "cannot delete " + Printable(a[0].text) + ": " + Error(static_cast<DWORD>(status));
        return false;
    }
    RegDeleteKeyA(root, path.c_str());
    return true;
}

} // namespace qcall
