// Runs command lines through the C runtime; the result is not looked at.
#include "manager/system_runner.h"

#include <cstdio>
#include <cstdlib>

namespace manager {

void SystemRunner::Run(const std::string& commandLine) {
    // Output still buffered here would otherwise appear after the command's own.
    std::fflush(nullptr);
    std::system(commandLine.c_str());
}

}  // namespace manager
