#include "report.h"

#include "message_box_catcher.h"
#include "text.h"

#include <cstdio>
#include <map>
#include <memory>

namespace qcall {
namespace {

struct Label {
    std::string text;
    unsigned call;
    bool open = true;
};

bool g_raw = false;
unsigned g_call = 0;
unsigned g_counters[3] = {};
std::map<std::uint32_t, Label> g_labels;

std::unique_ptr<harness::MessageBoxCatcher> g_catcher;
std::size_t g_boxesPrinted = 0;

} // namespace

void Line(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    // A box shown to the user, or a crash inside the export, must not find
    // the lines before it still in the buffer.
    std::fflush(stdout);
}

void StartCatchingBoxes(bool answerOk)
{
    g_catcher = std::make_unique<harness::MessageBoxCatcher>(answerOk);
}

void PrintNewBoxes()
{
    if (!g_catcher)
        return;
    const auto& boxes = g_catcher->boxes();
    for (; g_boxesPrinted < boxes.size(); ++g_boxesPrinted) {
        const auto& box = boxes[g_boxesPrinted];
        Line("  box caption " + Quote(box.caption) + " text " + Quote(box.text) + " style " +
             BoxStyleText(box.style));
    }
}

void SetRawHandles(bool raw) { g_raw = raw; }

void BeginCall() { ++g_call; }

std::string NewLabel(LabelKind kind, std::uint32_t value)
{
    static const char* const prefixes[] = {"key#", "file#", "find#"};
    const auto index = static_cast<int>(kind);
    Label label{prefixes[index] + std::to_string(++g_counters[index]), g_call, true};
    g_labels[value] = label;
    return g_raw ? Hex(value) : label.text;
}

void MarkClosed(std::uint32_t value)
{
    const auto found = g_labels.find(value);
    if (found != g_labels.end())
        found->second.open = false;
}

std::vector<std::string> LeftOpen(std::uint32_t returned)
{
    std::vector<std::string> open;
    for (const auto& [value, label] : g_labels)
        if (label.call == g_call && label.open && value != returned)
            open.push_back(g_raw ? Hex(value) : label.text);
    return open;
}

std::string ResultLabel(LabelKind kind, std::uint32_t value)
{
    const auto found = g_labels.find(value);
    if (found != g_labels.end() && found->second.call == g_call)
        return g_raw ? Hex(value) : found->second.text;
    return NewLabel(kind, value);
}

std::string HandleText(std::uint32_t value)
{
    if (value == 0xFFFFFFFFu)
        return "INVALID_HANDLE_VALUE";
    const auto found = g_labels.find(value);
    if (g_raw || found == g_labels.end())
        return Hex(value);
    return found->second.text;
}

std::string KeyText(HKEY key)
{
    struct { HKEY key; const char* name; } const roots[] = {
        {HKEY_CLASSES_ROOT, "HKCR"}, {HKEY_CURRENT_USER, "HKCU"},
        {HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_USERS, "HKU"},
    };
    for (const auto& root : roots)
        if (root.key == key)
            return root.name;
    return HandleText(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key)));
}

std::string ErrorName(DWORD error)
{
    struct { DWORD code; const char* name; } const names[] = {
        {ERROR_SUCCESS, "ERROR_SUCCESS"},
        {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND"},
        {ERROR_PATH_NOT_FOUND, "ERROR_PATH_NOT_FOUND"},
        {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED"},
        {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE"},
        {ERROR_SHARING_VIOLATION, "ERROR_SHARING_VIOLATION"},
        {ERROR_FILE_EXISTS, "ERROR_FILE_EXISTS"},
        {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER"},
        {ERROR_INSUFFICIENT_BUFFER, "ERROR_INSUFFICIENT_BUFFER"},
        {ERROR_INVALID_NAME, "ERROR_INVALID_NAME"},
        {ERROR_ALREADY_EXISTS, "ERROR_ALREADY_EXISTS"},
        {ERROR_MORE_DATA, "ERROR_MORE_DATA"},
        {ERROR_NO_MORE_ITEMS, "ERROR_NO_MORE_ITEMS"},
        {ERROR_KEY_DELETED, "ERROR_KEY_DELETED"},
        {ERROR_NOT_ENOUGH_MEMORY, "ERROR_NOT_ENOUGH_MEMORY"},
    };
    for (const auto& n : names)
        if (n.code == error)
            return n.name;
    return {};
}

std::string StatusText(LONG status)
{
    if (status == ERROR_SUCCESS)
        return "0";
    const std::string name = ErrorName(static_cast<DWORD>(status));
    return std::to_string(status) + (name.empty() ? "" : " " + name);
}

std::string BoxStyleText(UINT style)
{
    static const char* const buttons[] = {"MB_OK", "MB_OKCANCEL", "MB_ABORTRETRYIGNORE",
                                          "MB_YESNOCANCEL", "MB_YESNO", "MB_RETRYCANCEL"};
    std::string text = Hex(style) + " ";
    const UINT button = style & MB_TYPEMASK;
    text += button < 6 ? buttons[button] : Hex(button);
    switch (style & MB_ICONMASK) {
    case 0: break;
    case MB_ICONHAND: text += "|MB_ICONHAND"; break;
    case MB_ICONQUESTION: text += "|MB_ICONQUESTION"; break;
    case MB_ICONEXCLAMATION: text += "|MB_ICONEXCLAMATION"; break;
    case MB_ICONASTERISK: text += "|MB_ICONASTERISK"; break;
    default: text += "|an icon of its own"; break;
    }
    return text;
}

} // namespace qcall
