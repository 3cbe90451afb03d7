// Recording stand-ins for what the manager's operations drive: the command runner and the view.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "manager/mod_manager.h"

namespace testing_support {

class RecordingRunner final : public manager::CommandRunner {
public:
    void Run(const std::string& commandLine) override { commands.push_back(commandLine); }
    std::vector<std::string> commands;
};

// `shown` holds the names as the window's list would show them. Questions are recorded
// and answered from `answers` in turn; with none left, the default button is taken.
class RecordingView final : public manager::ManagerView {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool Ask(const std::string& text, bool defaultYes) override {
        questions.push_back(text);
        if (answers.empty())
            return defaultYes;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
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
    std::vector<std::string> shown;
    int closed = 0;
};

}  // namespace testing_support
