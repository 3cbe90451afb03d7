// ApplyPPF3, the kit's console patcher that PPF mod batch files call by name.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "base/console.h"
#include "patcher/patch_command.h"

int main(int argc, char** argv) {
    patcher::CommandReport report;
    try {
        report = patcher::RunPatchCommand(base::ProgramArguments(argc, argv));
    } catch (const std::exception& error) {
        report = {patcher::kExitFailed, std::string("ApplyPPF3 stopped: ") + error.what() + "\n"};
    }
    base::WriteText(report.status == patcher::kExitDone ? stdout : stderr, report.text);
    return report.status;
}
