#include "program.h"

#include "quillet_setup.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace qcall {
namespace {

struct FormEntry {
    const char* symbol;
    Form form;
};

// The call form of every export of qsetup.dll and qremove.dll, by the
// symbol GetProcAddress finds it under.
constexpr FormEntry kForms[] = {
    {"GetName", Form::Setup},
    {"EnumExchangeExt", Form::Setup},
    {"DelSpase", Form::Setup},
    {"CheckPlatform", Form::Setup},
    {"CheckVersion", Form::Setup},
    {QSETUP_ISSTRINGENGLISH_SYMBOL, Form::Text},
    {"OpenFile32", Form::OpenFile},
    {"_lclose32", Form::Close},
    {"_lread32", Form::Read},
    {"_lwrite32", Form::Write},
    {"_llseek32", Form::Seek},
    {"UninstInitialize", Form::Hook},
    {"UninstUnInitialize", Form::Hook},
};

// qcall's own read buffer, not a limit of the export.
constexpr std::uint32_t kMaxReadCount = 1u << 20;

struct Named {
    const char* name;
    std::uint32_t value;
};

constexpr Named kModes[] = {
    {"OF_READ", 0}, {"OF_WRITE", 1}, {"OF_READWRITE", 2}, {"OF_SHARE_EXCLUSIVE", 0x10},
    {"OF_SHARE_DENY_WRITE", 0x20}, {"OF_SHARE_DENY_READ", 0x30}, {"OF_SHARE_DENY_NONE", 0x40},
    {"OF_PARSE", 0x100}, {"OF_DELETE", 0x200}, {"OF_VERIFY", 0x400}, {"OF_CANCEL", 0x800},
    {"OF_CREATE", 0x1000}, {"OF_PROMPT", 0x2000}, {"OF_EXIST", 0x4000}, {"OF_REOPEN", 0x8000},
};

constexpr Named kOrigins[] = {{"FILE_BEGIN", 0}, {"FILE_CURRENT", 1}, {"FILE_END", 2}};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool IsNull(const Word& word) { return !word.quoted && word.text == "null"; }

bool Number(const Word& word, std::uint32_t& value)
{
    return !word.quoted && ParseNumber(word.text, value);
}

bool NamedNumber(const Word& word, const Named* names, std::size_t count, std::uint32_t& value)
{
    if (Number(word, value))
        return true;
    if (word.quoted)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (word.text == names[i].name) {
            value = names[i].value;
            return true;
        }
    return false;
}

// OF_WRITE|OF_SHARE_DENY_NONE, 0x41, 1|0x40: the parts are joined as the
// engine's script would join the flags, and the export gets the whole code.
bool Mode(const Word& word, std::uint32_t& value)
{
    if (word.quoted)
        return false;
    value = 0;
    std::stringstream parts(word.text);
    std::string part;
    int count = 0;
    while (std::getline(parts, part, '|')) {
        std::uint32_t one = 0;
        if (!NamedNumber(Word{part, false}, kModes, std::size(kModes), one))
            return false;
        value |= one;
        ++count;
    }
    return count > 0 && word.text.back() != '|';
}

std::string Shown(const Word& word) { return word.quoted ? Quote(word.text) : "'" + Printable(word.text) + "'"; }

bool ArgumentFault(const Step& step, const std::string& detail, Fault& fault)
{
    fault = {kUsage, Where(step) + step.symbol + " takes " + UsageOf(step.form) + ": " + detail};
    return false;
}

bool Handle(Step& step, const Word& word, const std::set<std::string>& defined, Fault& fault)
{
    std::uint32_t value = 0;
    if (Number(word, value)) {
        step.numbers.push_back(value);
        return true;
    }
    if (!word.quoted && IsName(word.text) && word.text != "null") {
        if (defined.count(word.text) == 0)
            return ArgumentFault(step, "handle " + word.text + " is not named by an earlier line (NAME = ... OpenFile32 ...)",
                                 fault);
        step.handleName = word.text;
        step.numbers.push_back(0);
        return true;
    }
    return ArgumentFault(step, "HANDLE must be a 32-bit number or a handle name, not " + Shown(word), fault);
}

// Any word is a text; the bare word null is a null pointer.
bool Text(Step& step, const Word& word)
{
    step.textNull = IsNull(word);
    step.bytes = step.textNull ? std::string() : word.text;
    return true;
}

bool CheckArguments(Step& step, const std::set<std::string>& defined, Fault& fault)
{
    const auto& a = step.arguments;
    const std::size_t n = a.size();
    const bool countFits = step.form == Form::Write ? (n == 2 || n == 3)
                         : step.form == Form::Setup || step.form == Form::Hook || step.form == Form::Seek ? n == 3
                         : step.form == Form::OpenFile || step.form == Form::Read ? n == 2
                         : n == 1;
    if (!countFits)
        return ArgumentFault(step, std::to_string(n) + (n == 1 ? " argument given" : " arguments given"), fault);

    std::uint32_t value = 0;
    switch (step.form) {
    case Form::Setup:
        if (IsNull(a[0]))
            value = 0;
        else if (!Number(a[0], value))
            return ArgumentFault(step, "WINDOW must be a 32-bit number or null, not " + Shown(a[0]), fault);
        step.numbers.push_back(value);
        step.integerNull = IsNull(a[1]);
        value = 0;
        if (!step.integerNull && !Number(a[1], value))
            return ArgumentFault(step, "INTEGER must be a 32-bit number, or null for a null pointer, not " + Shown(a[1]),
                                 fault);
        step.numbers.push_back(value);
        return Text(step, a[2]);
    case Form::Text:
        return Text(step, a[0]);
    case Form::OpenFile:
        Text(step, a[0]);
        if (!Mode(a[1], value))
            return ArgumentFault(step, "MODE must be a 32-bit number or OF_ flags joined by |, not " + Shown(a[1]),
                                 fault);
        step.numbers.push_back(value);
        return true;
    case Form::Close:
        return Handle(step, a[0], defined, fault);
    case Form::Read:
        if (!Handle(step, a[0], defined, fault))
            return false;
        if (!Number(a[1], value) || value > kMaxReadCount)
            return ArgumentFault(step, "COUNT must be a number from 0 to " + std::to_string(kMaxReadCount) +
                                           " (the size of the buffer qcall passes), not " + Shown(a[1]),
                                 fault);
        step.numbers.push_back(value);
        return true;
    case Form::Write:
        if (!Handle(step, a[0], defined, fault))
            return false;
        if (IsNull(a[1]))
            return ArgumentFault(step, "TEXT is the data to write; a null buffer is not a call a script makes", fault);
        Text(step, a[1]);
        value = static_cast<std::uint32_t>(step.bytes.size());
        if (n == 3 && (!Number(a[2], value) || value > step.bytes.size()))
            return ArgumentFault(step, "COUNT must be a number from 0 to the length of TEXT (" +
                                           std::to_string(step.bytes.size()) + "), not " + Shown(a[2]),
                                 fault);
        step.numbers.push_back(value);
        return true;
    case Form::Seek:
        if (!Handle(step, a[0], defined, fault))
            return false;
        if (!Number(a[1], value))
            return ArgumentFault(step, "DISTANCE must be a 32-bit number, not " + Shown(a[1]), fault);
        step.numbers.push_back(value);
        if (!NamedNumber(a[2], kOrigins, std::size(kOrigins), value))
            return ArgumentFault(step, "ORIGIN must be a 32-bit number or FILE_BEGIN, FILE_CURRENT, FILE_END, not " +
                                           Shown(a[2]),
                                 fault);
        step.numbers.push_back(value);
        return true;
    case Form::Hook:
        for (const Word& word : a) {
            if (!Number(word, value) && !IsNull(word))
                return ArgumentFault(step, "each VALUE must be a 32-bit number, not " + Shown(word), fault);
            step.numbers.push_back(IsNull(word) ? 0 : value);
        }
        return true;
    }
    return true;
}

std::vector<std::string> ExportNames(HMODULE module)
{
    std::vector<std::string> names;
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dir.VirtualAddress == 0)
        return names;
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    return names;
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decorated export whose plain name is the one asked for: C++ (?Name@@...)
// or stdcall C (_Name@12, Name@12).
std::string DecoratedExport(HMODULE module, const std::string& plain)
{
    for (const std::string& name : ExportNames(module)) {
        std::string_view n = name;
        if (n.rfind("?" + plain + "@@", 0) == 0)
            return name;
        if (!n.empty() && n.front() == '_')
            n.remove_prefix(1);
        if (n.size() > plain.size() + 1 && n.substr(0, plain.size()) == plain && n[plain.size()] == '@' &&
            AllDigits(n.substr(plain.size() + 1)))
            return name;
    }
    return {};
}

std::string SystemText(DWORD error)
{
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
        text[--length] = '\0';
    return length > 0 ? std::string(text) : "no text for this error";
}

bool SplitCall(Step& step, std::vector<Word> words, Fault& fault)
{
    if (words.size() >= 2 && !words[1].quoted && words[1].text == "=") {
        if (words[0].quoted || !IsName(words[0].text) || words[0].text == "null") {
            fault = {kUsage, Where(step) + "a handle name is a letter or _ followed by letters, digits and _, not " +
                                 Shown(words[0])};
            return false;
        }
        step.assign = words[0].text;
        words.erase(words.begin(), words.begin() + 2);
    }
    if (words.size() < 2) {
        fault = {kUsage, Where(step) + "expected DLL EXPORT [ARGUMENT...]"};
        return false;
    }
    step.dll = words[0].text;
    step.symbol = words[1].text;
    step.arguments.assign(words.begin() + 2, words.end());
    return true;
}

} // namespace

std::string Where(const Step& step)
{
    return step.file.empty() ? std::string() : step.file + ":" + std::to_string(step.line) + ": ";
}

const char* UsageOf(Form form)
{
    switch (form) {
    case Form::Setup: return "WINDOW INTEGER TEXT";
    case Form::Text: return "TEXT";
    case Form::OpenFile: return "NAME MODE";
    case Form::Close: return "HANDLE";
    case Form::Read: return "HANDLE COUNT";
    case Form::Write: return "HANDLE TEXT [COUNT]";
    case Form::Seek: return "HANDLE DISTANCE ORIGIN";
    case Form::Hook: return "VALUE VALUE VALUE";
    }
    return "";
}

std::string KnownExports()
{
    std::string text;
    for (const FormEntry& entry : kForms)
        text += std::string("    ") + entry.symbol + " " + UsageOf(entry.form) + "\n";
    return text;
}

bool ParseScript(const std::string& path, std::vector<Step>& steps, Fault& fault)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fault = {kUsage, "cannot read the script " + path};
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        Step step;
        step.file = path;
        step.line = number;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        if (line[first] == '@') {
            step.directive = true;
            const std::size_t end = line.find_first_of(" \t", first);
            step.name = line.substr(first + 1, end == std::string::npos ? std::string::npos : end - first - 1);
            const std::string rest = end == std::string::npos ? std::string() : line.substr(end + 1);
            if (step.name == "echo") {
                step.text = rest;
            } else {
                std::string error;
                if (!SplitWords(rest, step.arguments, error)) {
                    fault = {kUsage, Where(step) + error};
                    return false;
                }
            }
            std::string error;
            if (!CheckStageStep(step, error)) {
                fault = {kUsage, Where(step) + error};
                return false;
            }
            steps.push_back(std::move(step));
            continue;
        }
        std::vector<Word> words;
        std::string error;
        if (!SplitWords(line, words, error)) {
            fault = {kUsage, Where(step) + error};
            return false;
        }
        if (!SplitCall(step, std::move(words), fault))
            return false;
        steps.push_back(std::move(step));
    }
    return true;
}

bool ParseCommandLine(const std::vector<std::string>& arguments, std::vector<Step>& steps, Fault& fault)
{
    Step step;
    std::vector<Word> words;
    for (const std::string& argument : arguments) {
        Word word;
        std::string error;
        if (!ParseArgument(argument, word, error)) {
            fault = {kUsage, "argument " + std::to_string(words.size() + 1) + ": " + error};
            return false;
        }
        words.push_back(std::move(word));
    }
    if (!words.empty() && !words[0].quoted && words[0].text == "=") {
        fault = {kUsage, "expected DLL EXPORT [ARGUMENT...]"};
        return false;
    }
    if (words.size() >= 2 && !words[1].quoted && words[1].text == "=") {
        fault = {kUsage, "handle names belong to scripts (--script FILE); a command line makes one call"};
        return false;
    }
    if (!SplitCall(step, std::move(words), fault))
        return false;
    steps.push_back(std::move(step));
    return true;
}

bool Prepare(std::vector<Step>& steps, Fault& fault)
{
    std::map<std::string, HMODULE> loaded;
    std::set<std::string> defined;
    // No "insert the disk" boxes for a DLL on a missing drive.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (Step& step : steps) {
        if (step.directive)
            continue;
        const std::string key = Lower(step.dll);
        auto found = loaded.find(key);
        if (found == loaded.end()) {
            HMODULE module = LoadLibraryA(step.dll.c_str());
            if (module == nullptr) {
                const DWORD error = GetLastError();
                fault = {kNotLoadable, Where(step) + "cannot load " + step.dll + ": " + SystemText(error) +
                                           " (error " + std::to_string(error) + ")"};
                return false;
            }
            found = loaded.emplace(key, module).first;
        }
        step.module = found->second;
        step.address = reinterpret_cast<const void*>(GetProcAddress(step.module, step.symbol.c_str()));
        if (step.address == nullptr) {
            const std::string decorated = DecoratedExport(step.module, step.symbol);
            fault = {kNoExport, Where(step) + step.dll + " has no export named " + step.symbol};
            if (!decorated.empty())
                fault.message += "; it exports it under the decorated symbol " + decorated + ": call that name";
            return false;
        }
        const FormEntry* entry = std::find_if(std::begin(kForms), std::end(kForms), [&](const FormEntry& e) {
            return step.symbol == e.symbol;
        });
        if (entry == std::end(kForms)) {
            fault = {kUsage, Where(step) + "qcall knows no call form for " + step.symbol + "; it calls\n" +
                                 KnownExports()};
            return false;
        }
        step.form = entry->form;
        if (!CheckArguments(step, defined, fault))
            return false;
        if (!step.assign.empty())
            defined.insert(step.assign);
    }
    return true;
}

} // namespace qcall
