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
    // Installs a WH_CBT hook on the calling thread. With answerOk false the
    // boxes are still recorded but left to the user to close.
    explicit MessageBoxCatcher(bool answerOk = true);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<ShownBox>& boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    void Record(HWND box);

    bool answerOk_ = true;
    HHOOK hook_ = nullptr;
    MessageBoxCatcher* previous_ = nullptr;
    std::vector<ShownBox> boxes_;
    std::vector<HWND> seen_;
};

} // namespace harness
