// Message boxes for all three programs.
#include "shell/message_box.h"

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
    int AskYesNoCancel(HWND owner, const std::string& text) override {
        const int answer = MessageBoxA(owner, text.c_str(), ProgramName().c_str(),
                                       MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3);
        return answer == IDYES || answer == IDNO ? answer : IDCANCEL;
    }
};

}  // namespace

Prompter& SystemPrompter() {
    static MessageBoxes boxes;
    return boxes;
}

std::string ProgramName() {
    const std::string path = ExecutablePath();
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

}  // namespace shell
