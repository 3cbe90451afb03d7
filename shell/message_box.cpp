// Message boxes for all three programs.
#include "shell/message_box.h"

#include "base/paths.h"
#include "base/wide_win.h"
#include "shell/app.h"

namespace shell {
namespace {

// The wide box shows a file's name as it is, whatever the code page holds: UTF-8 in a text
// (names from the file layer) is read as such, the rest as the ANSI bytes of the program's
// own texts and the mods' names.
int Box(HWND owner, const std::string& text, UINT style) {
    return MessageBoxW(owner, base::WideOf(text).c_str(), base::WideOf(ProgramName()).c_str(), style);
}

class MessageBoxes final : public Prompter {
public:
    void Show(HWND owner, const std::string& text) override { Box(owner, text, MB_OK); }
    bool AskYesNo(HWND owner, const std::string& text, bool defaultYes) override {
        const UINT style = MB_YESNO | MB_ICONQUESTION | (defaultYes ? MB_DEFBUTTON1 : MB_DEFBUTTON2);
        return Box(owner, text, style) == IDYES;
    }
    Answer AskYesNoCancel(HWND owner, const std::string& text) override {
        const UINT style = MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3;
        switch (Box(owner, text, style)) {
        case IDYES:
            return Answer::Yes;
        case IDNO:
            return Answer::No;
        default:
            return Answer::Cancel;  // Cancel, Esc, the close box, or no box at all
        }
    }
};

}  // namespace

Prompter& SystemPrompter() {
    static MessageBoxes boxes;
    return boxes;
}

std::string ProgramName() { return base::ProgramName(ExecutablePath()); }

}  // namespace shell
