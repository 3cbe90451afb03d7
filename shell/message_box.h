// What a window says to the user and asks them, and the message boxes that do it.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

class Prompter {
public:
    virtual ~Prompter() = default;
    // A box with the text and one OK button.
    virtual void Show(HWND owner, const std::string& text) = 0;
    // A Yes/No question; `defaultYes` picks the button Enter presses. True for Yes.
    virtual bool AskYesNo(HWND owner, const std::string& text, bool defaultYes) = 0;
    // A Yes/No/Cancel question with Cancel the default: IDYES, IDNO or IDCANCEL.
    virtual int AskYesNoCancel(HWND owner, const std::string& text) = 0;
};

// Modal message boxes titled with the program's name.
Prompter& SystemPrompter();

// The executable's base name without its extension: "Grenwick" for Grenwick.exe.
std::string ProgramName();

}  // namespace shell
