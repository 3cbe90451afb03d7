// The one place where an exception stops before it would cross into the system: a window
// procedure, the program's start, or a COM call.
#pragma once

#include <windows.h>

#include "shell/message_box.h"

namespace shell {

// Shows what the exception in flight was, once; never throws. Call it only inside a catch block.
void ReportCurrentException(HWND owner, Prompter& prompter) noexcept;

// Runs `action`; an exception of any kind is reported once and false returned.
template <class Action>
bool RunGuarded(HWND owner, Action&& action, Prompter& prompter = SystemPrompter()) noexcept {
    try {
        action();
        return true;
    } catch (...) {
        ReportCurrentException(owner, prompter);
        return false;
    }
}

}  // namespace shell
