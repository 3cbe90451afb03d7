// Message boxes for all three programs.
#include "shell/message_box.h"

#include "base/paths.h"
#include "shell/app.h"

namespace shell {
namespace {

class MessageBoxes final : public Prompter {
public:
    void Show(HWND owner, const std::string& text) override {
        MessageBoxA(owner, text.c_str(), ProgramName().c_str(), MB_OK);
    }
    bool AskYesNo(HWND owner, const std::string& text, bool defaultYes) override {
        const UINT style = MB_YESNO | MB_ICONQUESTION | (defaultYes ? MB_DEFBUTTON1 : MB_DEFBUTTON2);
        return MessageBoxA(owner, text.c_str(), ProgramName().c_str(), style) == IDYES;
    }
    Answer AskYesNoCancel(HWND owner, const std::string& text) override {
        const UINT style = MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3;
        switch (MessageBoxA(owner, text.c_str(), ProgramName().c_str(), style)) {
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
