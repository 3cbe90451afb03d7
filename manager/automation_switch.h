// Recognising the switches with which the platform starts an automation server.
#pragma once

#include <string>

namespace manager {

// True when the arguments (the command line after the program's name) hold
// "/Automation", "-Automation", "/Embedding" or "-Embedding", in any letter case.
bool IsAutomationStart(const std::string& arguments);

// The command line without the program's name, which may be quoted.
std::string ArgumentsOf(const std::string& commandLine);

}  // namespace manager
