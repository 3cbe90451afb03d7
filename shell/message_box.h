// Message boxes titled with the program's name, and the hook tests use to read them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace shell {

// The executable's base name without its extension: "Grenwick" for Grenwick.exe.
std::string ProgramName();

// A modal box with the text, the program's name as its title and one OK button.
void ShowMessage(HWND owner, const std::string& text);

// Routes ShowMessage to `sink` while the object lives (tests read messages this way
// instead of waiting on a modal box); the previous sink comes back afterwards.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(std::function<void(const std::string&)> sink);
    ~ScopedMessageSink();
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    std::function<void(const std::string&)> m_previous;
};

}  // namespace shell
