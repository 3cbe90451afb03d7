// Runs command lines through the C runtime's wide system(), so that a batch file's path
// reaches the command interpreter whole; the result is not looked at.
#include "manager/system_runner.h"

#include <cstdio>
#include <cstdlib>

#include "base/wide_win.h"

namespace manager {

void SystemRunner::Run(const std::string& commandLine) {
    // Output still buffered here would otherwise appear after the command's own.
    std::fflush(nullptr);
    _wsystem(base::WideOf(commandLine).c_str());
}

}  // namespace manager
