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

ScopedMessageSink::ScopedMessageSink(std::function<void(const std::string&)> sink)
    : m_previous(std::exchange(Sink(), std::move(sink))) {}

ScopedMessageSink::~ScopedMessageSink() { Sink() = std::move(m_previous); }

}  // namespace shell
