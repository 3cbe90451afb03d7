// The patcher's command line: "a <file> <patch>" applies a patch, "u <file> <patch>" undoes one.
#pragma once

#include <string>
#include <vector>

namespace patcher {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The exit status and the text for the console: standard output when done, else standard error.
struct CommandReport {
    int status = kExitDone;
    std::string text;
};

// Runs the command the arguments (without the program's own name) ask for.
CommandReport RunPatchCommand(const std::vector<std::string>& args);

}  // namespace patcher
