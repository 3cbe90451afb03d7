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

// A modal Yes/No box titled like ShowMessage; `defaultYes` picks the button Enter presses.
// True for Yes.
bool AskYesNo(HWND owner, const std::string& text, bool defaultYes);

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

// Routes AskYesNo to `answer` while the object lives, as ScopedMessageSink does for messages.
class ScopedAnswerSink {
public:
    explicit ScopedAnswerSink(std::function<bool(const std::string& text, bool defaultYes)> answer);
    ~ScopedAnswerSink();
    ScopedAnswerSink(const ScopedAnswerSink&) = delete;
    ScopedAnswerSink& operator=(const ScopedAnswerSink&) = delete;

private:
    std::function<bool(const std::string&, bool)> m_previous;
};

}  // namespace shell
