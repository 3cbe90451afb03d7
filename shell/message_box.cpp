// Message boxes for all three programs.
#include "shell/message_box.h"

#include <utility>

#include "shell/app.h"

namespace shell {
namespace {

std::function<void(const std::string&)>& Sink() {
    static std::function<void(const std::string&)> sink;
    return sink;
}

std::function<bool(const std::string&, bool)>& AnswerSink() {
    static std::function<bool(const std::string&, bool)> sink;
    return sink;
}

}  // namespace

std::string ProgramName() {
    const std::string path = ExecutablePath();
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

void ShowMessage(HWND owner, const std::string& text) {
    if (Sink()) {
        Sink()(text);
        return;
    }
    MessageBoxA(owner, text.c_str(), ProgramName().c_str(), MB_OK);
}

bool AskYesNo(HWND owner, const std::string& text, bool defaultYes) {
    if (AnswerSink())
        return AnswerSink()(text, defaultYes);
    const UINT style = MB_YESNO | MB_ICONQUESTION | (defaultYes ? MB_DEFBUTTON1 : MB_DEFBUTTON2);
    return MessageBoxA(owner, text.c_str(), ProgramName().c_str(), style) == IDYES;
}

ScopedMessageSink::ScopedMessageSink(std::function<void(const std::string&)> sink)
    : m_previous(std::exchange(Sink(), std::move(sink))) {}

ScopedMessageSink::~ScopedMessageSink() { Sink() = std::move(m_previous); }

ScopedAnswerSink::ScopedAnswerSink(std::function<bool(const std::string&, bool)> answer)
    : m_previous(std::exchange(AnswerSink(), std::move(answer))) {}

ScopedAnswerSink::~ScopedAnswerSink() { AnswerSink() = std::move(m_previous); }

}  // namespace shell
