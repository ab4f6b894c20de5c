// GetName: the product's paths into section "QUILL" of quill.ini.
#include <windows.h>

#include "config_compose.h"
#include "export.h"
#include "messages.h"
#include "split.h"
#include "text_copy.h"

namespace qsetup {
namespace {

constexpr char kIniFile[] = "quill.ini"; // no directory: the profile API keeps it in the Windows directory
constexpr char kSection[] = "QUILL";

// Writes one key: the short form of `path` (when there is a usable path) with
// `name` appended. Returns whether the profile write succeeded.
bool WriteEntry(const char* key, const char* path, const char* name)
{
    char value[kConfigTextSize];
    value[0] = '\0';
    if (path != nullptr) {
        // GetShortPathNameA fails for a path that does not exist, and reports
        // the size it needs when the buffer is too small: in both cases the
        // buffer's content is not a short path.
        const DWORD length = GetShortPathNameA(path, value, sizeof value);
        if (length == 0 || length >= sizeof value)
            value[0] = '\0';
    }
    ComposeEntryValue(value, name);
    return WritePrivateProfileStringA(kSection, key, value, kIniFile) != FALSE;
}

} // namespace

// Returns 1 when all three keys are written, else -1, -2 or -3 for the key whose
// write failed (the keys after it are not written). A null path stands for a
// text that did not fit its working buffer: its entry gets an empty prefix.
int WriteConfigEntries(const char* directory, const char* executable)
{
    if (!WriteEntry("DIR", directory, kTempDirName))
        return -1;
    if (!WriteEntry("PROC", executable, ""))
        return -2;
    if (!WriteEntry("MACRO", directory, kMacroDirName))
        return -3;
    return 1;
}

} // namespace qsetup

// Reads the text "directory\;further text", cuts the caller's buffer at the
// separator and writes DIR, PROC and MACRO. Shows message 103 when a write
// fails. The window and the integer are not touched. Returns 1.
QSETUP_API GetName(HWND, int*, char* text)
{
    using namespace qsetup;

    const HWND owner = GetActiveWindow();

    char none[1] = "";
    if (text == nullptr)
        text = none; // written as for a text without a separator

    char directory[kConfigTextSize];
    const SplitOutcome split = SplitAtSemicolon(text, directory, {});
    const bool directoryFits = split.beforeLength < sizeof directory;

    char executable[kConfigTextSize];
    lstrcpyA(executable, directoryFits ? directory : "");
    const bool executableFits = directoryFits && AppendIfFits(executable, kProductExe);

    const int written = WriteConfigEntries(directoryFits ? directory : nullptr,
                                           executableFits ? executable : nullptr);
    if (written < 0)
        ShowResourceMessage(owner, kIdsFileInUse, "QUILL.INI", kIdsInternalError, MB_OK);
    return 1;
}
