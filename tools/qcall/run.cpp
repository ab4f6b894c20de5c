#include "invoke.h"
#include "program.h"
#include "report.h"
#include "trace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace qcall {
namespace {

// Bytes of 0xBD after every buffer qcall passes: a write past the end of the
// text or the count shows as a changed guard byte.
constexpr std::size_t kGuard = 16;
constexpr unsigned char kJunk = 0xBD;
// The size of the OFSTRUCT that the 16-bit OpenFile filled in, for the
// argument that OpenFile32 ignores.
constexpr std::size_t kIgnoredBlock = 136;
// Read data beyond this is left out of the transcript.
constexpr std::size_t kShownData = 4096;

const char* g_current = nullptr;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    std::fflush(stdout);
    std::fprintf(stderr, "qcall: %s raised exception 0x%08lX at address %p\n", g_current ? g_current : "qcall",
                 info->ExceptionRecord->ExceptionCode, info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    ExitProcess(kCrashed);
}

struct Buffer {
    std::vector<unsigned char> bytes;
    std::size_t used;

    // The content, its NUL when asked for, then the guard.
    Buffer(const std::string& content, bool terminate, std::size_t room = 0)
        : bytes(std::max(room, content.size() + (terminate ? 1 : 0)) + kGuard, kJunk),
          used(std::max(room, content.size() + (terminate ? 1 : 0)))
    {
        std::memcpy(bytes.data(), content.data(), content.size());
        if (terminate)
            bytes[content.size()] = 0;
    }
    std::uint32_t address() { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(bytes.data())); }
    bool guardChanged() const
    {
        for (std::size_t i = used; i < bytes.size(); ++i)
            if (bytes[i] != kJunk)
                return true;
        return false;
    }
    // The text up to its NUL, or all of the used bytes when the NUL is gone.
    std::string text() const
    {
        const auto* begin = reinterpret_cast<const char*>(bytes.data());
        return std::string(begin, strnlen(begin, used));
    }
    std::string data(std::size_t size) const
    {
        return std::string(reinterpret_cast<const char*>(bytes.data()), std::min(size, used));
    }
};

std::string SignedText(std::int32_t value) { return std::to_string(value); }

constexpr std::uint32_t kExistMode = 0x4000;
constexpr std::uint32_t kNoHandle = 0xFFFFFFFFu;

bool IsHandleMode(std::uint32_t mode)
{
    return mode == 0 || mode == 1 || mode == 2 || mode == 0x1000 || mode == 0x4000;
}

std::string ModeText(std::uint32_t mode)
{
    struct { std::uint32_t mode; const char* name; } const names[] = {
        {0, "OF_READ"}, {1, "OF_WRITE"}, {2, "OF_READWRITE"}, {0x200, "OF_DELETE"},
        {0x1000, "OF_CREATE"}, {0x4000, "OF_EXIST"},
    };
    for (const auto& n : names)
        if (n.mode == mode)
            return Hex(mode) + " " + n.name;
    return Hex(mode);
}

std::string OriginText(std::uint32_t origin)
{
    static const char* const names[] = {"FILE_BEGIN", "FILE_CURRENT", "FILE_END"};
    return origin < 3 ? std::to_string(origin) + " " + names[origin] : Hex(origin);
}

class CallRunner {
public:
    CallRunner(Step& step, std::map<std::string, std::uint32_t>& handles) : step_(step), handles_(handles) {}

    // Returns false when the call broke its call form.
    bool run()
    {
        if (!step_.handleName.empty())
            step_.numbers[0] = handles_[step_.handleName];
        const std::string name = step_.dll + "!" + step_.symbol;
        g_current = step_.symbol.c_str();
        BeginCall();

        std::vector<std::uint32_t> arguments;
        std::string shown;
        std::uint32_t integer = 0;
        Buffer text(step_.bytes, true);
        Buffer ignored(std::string(), false, kIgnoredBlock);
        Buffer data(std::string(), false, step_.form == Form::Read ? step_.numbers[1] : 0);
        const std::uint32_t textAddress = step_.textNull ? 0 : text.address();
        const std::string textShown = step_.textNull ? "null" : Quote(step_.bytes);
        auto& n = step_.numbers;

        switch (step_.form) {
        case Form::Setup:
            integer = n[1];
            arguments = {n[0], step_.integerNull ? 0 : static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&integer)),
                         textAddress};
            shown = Hex(n[0]) + ", " + (step_.integerNull ? "null" : "&" + SignedText(static_cast<std::int32_t>(n[1]))) +
                    ", " + textShown;
            break;
        case Form::Text:
            arguments = {textAddress};
            shown = textShown;
            break;
        case Form::OpenFile:
            arguments = {textAddress, ignored.address(), n[0]};
            shown = textShown + ", &ignored, " + ModeText(n[0]);
            break;
        case Form::Close:
            arguments = {n[0]};
            shown = HandleText(n[0]);
            break;
        case Form::Read:
            arguments = {n[0], data.address(), n[1]};
            shown = HandleText(n[0]) + ", buffer, " + std::to_string(n[1]);
            break;
        case Form::Write:
            // The data without a NUL: the count says how much the export may read.
            text = Buffer(step_.bytes, false);
            arguments = {n[0], text.address(), n[1]};
            shown = HandleText(n[0]) + ", " + Quote(step_.bytes.substr(0, n[1])) + ", " + std::to_string(n[1]);
            break;
        case Form::Seek:
            arguments = {n[0], n[1], n[2]};
            shown = HandleText(n[0]) + ", " + SignedText(static_cast<std::int32_t>(n[1])) + ", " + OriginText(n[2]);
            break;
        case Form::Hook:
            arguments = {n[0], n[1], n[2]};
            shown = Hex(n[0]) + ", " + Hex(n[1]) + ", " + Hex(n[2]);
            break;
        }

        Line("call " + name + "(" + shown + ")");
        SetLastError(ERROR_SUCCESS);
        const Outcome outcome = Invoke(step_.address, arguments);
        const DWORD lastError = GetLastError();
        PrintNewBoxes();

        bool kept = true;
        const auto result = static_cast<std::uint32_t>(outcome.result);
        std::string resultText = SignedText(outcome.result);
        const bool fileExport = step_.form != Form::Setup && step_.form != Form::Text && step_.form != Form::Hook;
        if (step_.form == Form::OpenFile && IsHandleMode(n[0]) && outcome.result != -1)
            resultText = ResultLabel(LabelKind::File, result);
        Line("  result " + resultText);
        if (fileExport && outcome.result == -1) {
            const std::string errorName = ErrorName(lastError);
            Line("  last-error " + std::to_string(lastError) + (errorName.empty() ? "" : " " + errorName));
        }

        switch (step_.form) {
        case Form::Setup:
            if (!step_.integerNull)
                Line("  integer " + SignedText(static_cast<std::int32_t>(integer)));
            [[fallthrough]];
        case Form::Text:
            if (!step_.textNull) {
                Line("  text " + Quote(text.text()));
                kept &= Warn(text.guardChanged(), "wrote past the end of its text (" +
                                                      std::to_string(step_.bytes.size() + 1) + " bytes with the NUL)");
            }
            break;
        case Form::OpenFile:
            kept &= Warn(ignored.guardChanged() || ignored.data(kIgnoredBlock) != std::string(kIgnoredBlock, char(kJunk)),
                         "wrote into its second argument, which it must ignore");
            kept &= Warn(text.text() != step_.bytes || text.guardChanged(), "changed the file name it was given");
            break;
        case Form::Read:
            if (outcome.result > 0 && result <= n[1]) {
                std::string read = data.data(result);
                Line("  data " + Quote(read.substr(0, kShownData)) + (read.size() > kShownData ? "..." : ""));
            }
            kept &= Warn(data.guardChanged(), "wrote past the " + std::to_string(n[1]) + " bytes it was asked to read");
            break;
        case Form::Write:
            kept &= Warn(text.data(step_.bytes.size()) != step_.bytes || text.guardChanged(),
                         "changed the data it was given to write");
            break;
        default:
            break;
        }
        // Only a handle that OpenFile32 hands over open belongs to the caller.
        const bool handedOver = step_.form == Form::OpenFile && IsHandleMode(n[0]) && n[0] != kExistMode;
        for (const std::string& label : LeftOpen(handedOver ? result : kNoHandle))
            kept &= Warn(true, "left " + label + " open");
        const std::int32_t argumentBytes = static_cast<std::int32_t>(arguments.size() * 4);
        kept &= Warn(outcome.leftOnStack != 0,
                     "left " + std::to_string(outcome.leftOnStack) + " of its " + std::to_string(argumentBytes) +
                         " argument bytes on the stack: it does not remove its arguments as stdcall does");
        if (!step_.assign.empty()) {
            handles_[step_.assign] = result;
            Line("  " + step_.assign + " = " + resultText);
        }
        g_current = nullptr;
        return kept;
    }

private:
    bool Warn(bool condition, const std::string& what)
    {
        if (condition)
            Line("  warning: " + step_.symbol + " " + what);
        return !condition;
    }

    Step& step_;
    std::map<std::string, std::uint32_t>& handles_;
};

// Wine with its null graphics driver shows boxes to nobody: qcall answers them.
bool NobodySeesBoxes()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr)
        return false;
    char driver[64] = {};
    DWORD size = sizeof driver;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", "Graphics", RRF_RT_REG_SZ, nullptr, driver,
                     &size) == ERROR_SUCCESS &&
        lstrcmpiA(driver, "null") == 0)
        return true;
    return GetEnvironmentVariableA("DISPLAY", nullptr, 0) == 0 &&
           GetEnvironmentVariableA("WAYLAND_DISPLAY", nullptr, 0) == 0;
}

} // namespace

int Run(std::vector<Step>& steps, const Options& options)
{
    SetUnhandledExceptionFilter(ReportCrash);
    StartCatchingBoxes(options.answerOk || NobodySeesBoxes());
    if (options.trace) {
        std::set<HMODULE> traced;
        for (const Step& step : steps)
            if (!step.directive && traced.insert(step.module).second)
                TraceModule(step.module);
    }

    int status = kSuccess;
    std::map<std::string, std::uint32_t> handles;
    for (Step& step : steps) {
        if (step.directive) {
            std::string error;
            if (!RunStageStep(step, error)) {
                std::fflush(stdout);
                std::fprintf(stderr, "qcall: %s%s\n", Where(step).c_str(), error.c_str());
                return kWarning;
            }
            continue;
        }
        if (!CallRunner(step, handles).run())
            status = kWarning;
    }
    return status;
}

} // namespace qcall
