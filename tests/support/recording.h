// Recording stand-ins for what the manager's operations drive: the command runner and the view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
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
        return NextAnswer(answers, defaultYes);
    }
    // Answered from `answers3` in turn; with none left, Cancel, the default button.
    Answer AskYesNoCancel(const std::string& text) override {
        questions3.push_back(text);
        return NextAnswer(answers3, Answer::Cancel);
    }
    // Recorded as the question and its names; answered from `answers` as Ask is.
    bool AskAboutFiles(const std::string& text, const std::vector<std::string>& names, bool defaultYes) override {
        fileQuestions.push_back({text, names});
        return NextAnswer(answers, defaultYes);
    }
    void ShowList(const std::vector<manager::ModEntry>& entries) override {
        shown.clear();
        for (const manager::ModEntry& entry : entries)
            shown.push_back(entry.name);
    }
    void CloseApplied() override { ++closed; }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers;
    std::vector<std::string> questions3;
    std::deque<Answer> answers3;
    struct FilesQuestion {
        std::string text;
        std::vector<std::string> names;
    };
    std::vector<FilesQuestion> fileQuestions;
    std::vector<std::string> shown;
    int closed = 0;
};

}  // namespace testing_support
