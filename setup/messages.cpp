#include "messages.h"

#include "message_format.h"
#include "module.h"

namespace qsetup {

void ShowResourceMessage(HWND owner, UINT textId, const char* argument, UINT captionId, UINT style)
{
    char templ[kMessageSize];
    char text[kMessageSize];
    char caption[kMessageSize];

    templ[0] = '\0';
    LoadStringA(ModuleHandle(), textId, templ, sizeof templ);

    if (argument != nullptr && IsSingleTextTemplate(templ)) {
        // wsprintfA writes up to 1024 bytes; the argument is cut beforehand so
        // the message cannot pass its 260-byte buffer. It is always passed as
        // the "%s" argument, so a '%' inside it is shown, never interpreted.
        char fitted[kMessageSize];
        const int length = static_cast<int>(FittingArgumentLength(templ, argument));
        lstrcpynA(fitted, argument, length + 1);
        wsprintfA(text, templ, fitted);
    } else {
        lstrcpyA(text, templ);
    }

    caption[0] = '\0';
    LoadStringA(ModuleHandle(), captionId, caption, sizeof caption);

    MessageBoxA(owner, text, caption, style);
}

} // namespace qsetup
