// Recording stand-ins for what the manager's operations drive: the command runner and the view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "manager/mod_manager.h"

namespace testing_support {

// The next of the answers a test gave in advance, or `otherwise` (the default button) when
// none is left.
template <class Answer>
Answer NextAnswer(std::deque<Answer>& answers, Answer otherwise) {
    if (answers.empty())
        return otherwise;
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

// `play`, when set, stands in for the mod: it changes files as the batch file would.
class RecordingRunner final : public manager::CommandRunner {
public:
    void Run(const std::string& commandLine) override {
        commands.push_back(commandLine);
        if (play)
            play(commandLine);
    }
    std::vector<std::string> commands;
    std::function<void(const std::string&)> play;
};

// Counts the bytes reported and answers Cancel once `cancelAfter` bytes have passed.
class RecordingProgress final : public base::ProgressView {
public:
    void Start(const std::string& text, std::uint64_t totalBytes) override {
        starts.push_back(text);
        total = totalBytes;
    }
    bool Advance(std::uint64_t bytes) override {
        advanced += bytes;
        return advanced < cancelAfter;
    }
    void Finish() override { ++finished; }

    std::vector<std::string> starts;
    std::uint64_t total = 0;
    std::uint64_t advanced = 0;
    std::uint64_t cancelAfter = UINT64_MAX;
    int finished = 0;
};

// `shown` holds the names as the window's list would show them. Questions are recorded
// and answered from `answers` in turn; with none left, the default button is taken.
class RecordingView final : public manager::ManagerView {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool Ask(const std::string& text, bool defaultYes) override {
        questions.push_back(text);
        Meanwhile();
        return NextAnswer(answers, defaultYes);
    }
    // Recorded as one question, the names one a line after the text.
    bool AskAboutFiles(const std::string& text, const std::vector<std::string>& names, bool defaultYes) override {
        std::string question = text;
        for (const std::string& name : names)
            question += "\n    " + name;
        return Ask(question, defaultYes);
    }
    // Answered from `answers3` in turn; with none left, Cancel, the default button.
    Answer AskYesNoCancel(const std::string& text) override {
        questions3.push_back(text);
        Meanwhile();
        return NextAnswer(answers3, Answer::Cancel);
    }
    void ShowList(const std::vector<manager::ModEntry>& entries) override {
        shown.clear();
        for (const manager::ModEntry& entry : entries)
            shown.push_back(entry.name);
    }
    void CloseApplied() override { ++closed; }
    void Meanwhile() {
        if (const std::function<void()> act = std::exchange(meanwhile, nullptr))
            act();
    }

    // Runs once, while the next question is open: another window acting meanwhile.
    std::function<void()> meanwhile;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers;
    std::vector<std::string> questions3;
    std::deque<Answer> answers3;
    std::vector<std::string> shown;
    int closed = 0;
};

}  // namespace testing_support
