#include "message_box_catcher.h"

#include <algorithm>

namespace harness {
namespace {

thread_local MessageBoxCatcher* t_catcher = nullptr;

// Control ids of the message box dialog (Wine's and Windows' templates agree).
constexpr int kIconId = 0x0440;
constexpr int kTextId = 0xFFFF;

bool IsVisibleChild(HWND box, int id)
{
    // The box may not be shown yet when it is activated: read the control's
    // own WS_VISIBLE bit, not IsWindowVisible, which also asks the parent.
    HWND child = GetDlgItem(box, id);
    return child != nullptr && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0;
}

UINT IconStyle(HWND box)
{
    if (!IsVisibleChild(box, kIconId))
        return 0;
    const HICON shown = reinterpret_cast<HICON>(SendDlgItemMessageA(box, kIconId, STM_GETICON, 0, 0));
    if (shown == nullptr)
        return 0;
    struct { LPCSTR id; UINT style; } const icons[] = {
        {IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK},
    };
    for (const auto& icon : icons)
        if (LoadIconA(nullptr, icon.id) == shown)
            return icon.style;
    return 0xF0; // an icon, but none of the standard ones
}

UINT ButtonStyle(HWND box)
{
    const bool ok = IsVisibleChild(box, IDOK), cancel = IsVisibleChild(box, IDCANCEL);
    const bool yes = IsVisibleChild(box, IDYES), no = IsVisibleChild(box, IDNO);
    const bool retry = IsVisibleChild(box, IDRETRY), abort = IsVisibleChild(box, IDABORT);
    if (yes && no)
        return cancel ? MB_YESNOCANCEL : MB_YESNO;
    if (abort)
        return MB_ABORTRETRYIGNORE;
    if (retry)
        return MB_RETRYCANCEL;
    if (ok && cancel)
        return MB_OKCANCEL;
    return ok ? MB_OK : 0x0F;
}

} // namespace

MessageBoxCatcher::MessageBoxCatcher(bool answerOk)
    : answerOk_(answerOk), previous_(t_catcher)
{
    t_catcher = this;
    hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    t_catcher = previous_;
}

LRESULT CALLBACK MessageBoxCatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    // Wine 8 sends a first HCBT_ACTIVATE for the box itself; a second one may
    // follow for another window, which is not recorded.
    if (code == HCBT_ACTIVATE && t_catcher != nullptr)
        t_catcher->Record(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::Record(HWND box)
{
    char className[32] = {};
    GetClassNameA(box, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || std::find(seen_.begin(), seen_.end(), box) != seen_.end())
        return;
    seen_.push_back(box);

    char caption[1024] = {};
    char text[1024] = {};
    GetWindowTextA(box, caption, sizeof caption);
    GetDlgItemTextA(box, kTextId, text, sizeof text);
    boxes_.push_back({caption, text, GetWindow(box, GW_OWNER), ButtonStyle(box) | IconStyle(box)});

    if (answerOk_)
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

} // namespace harness
