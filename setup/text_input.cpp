// IsStringEnglish and DelSpase: checks on text that the user typed.
#include <windows.h>

#include "export.h"
#include "messages.h"
#include "text_checks.h"

namespace {

// What the user is asked to type again, in the placeholder of message 110;
// DelSpase is not told which field the text came from.
constexpr char kTypedField[] = "the name";

} // namespace

// Reads the text (null counts as empty). Writes nothing. Returns 1 when no
// byte is above 0x80, else 0. Exported only as "?IsStringEnglish@@YGHPAE@Z",
// the symbol the scripts look up (see qsetup.def).
extern "C" int __stdcall IsStringEnglish(unsigned char* text)
{
    if (text == nullptr)
        return 1;
    const int length = lstrlenA(reinterpret_cast<const char*>(text));
    return qsetup::IsEnglishText({text, static_cast<std::size_t>(length)}) ? 1 : 0;
}

// Reads the text; on an English text rewrites it in place without its leading
// white space, cut to 18 bytes, and returns 1 (the integer untouched).
// Otherwise shows message 110, sets the integer to 0 and returns 0 with the
// text unchanged. The window is not used.
QSETUP_API DelSpase(HWND, int* value, char* text)
{
    using namespace qsetup;

    if (IsStringEnglish(reinterpret_cast<unsigned char*>(text)) == 0) {
        // Shown without an owner even while the engine has an active window:
        // the window argument is not read and no other window is looked up.
        ShowResourceMessage(nullptr, kIdsTypeEnglish, kTypedField, kIdsInstalling,
                            MB_OK | MB_ICONEXCLAMATION);
        if (value != nullptr)
            *value = 0;
        return 0;
    }
    if (text == nullptr)
        return 1;

    // The result is never longer than the text it replaces, so it fits.
    char trimmed[kTrimmedTextSize];
    TrimTypedText(text, trimmed);
    lstrcpyA(text, trimmed);
    return 1;
}
