// Catches the message boxes that code on this thread shows, records what each
// one showed and closes it with OK, so that a modal box never blocks a test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace harness {

struct ShownBox {
    std::string caption;
    std::string text;
    HWND owner;     // GetWindow(box, GW_OWNER): null for a box without an owner
    UINT style;     // MB_ button and icon flags as read back from the box's controls
};

class MessageBoxCatcher {
public:
    MessageBoxCatcher();   // installs a WH_CBT hook on the calling thread
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<ShownBox>& boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    void Record(HWND box);

    HHOOK hook_ = nullptr;
    MessageBoxCatcher* previous_ = nullptr;
    std::vector<ShownBox> boxes_;
    std::vector<HWND> seen_;
};

} // namespace harness
