// ApplyPPF3, the kit's console patcher that PPF mod batch files call by name.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "patcher/patch_command.h"

int main(int argc, char** argv) {
    patcher::CommandReport report;
    try {
        report = patcher::RunPatchCommand(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        report = {patcher::kExitFailed, std::string("ApplyPPF3 stopped: ") + error.what() + "\n"};
    }
    std::fputs(report.text.c_str(), report.status == patcher::kExitDone ? stdout : stderr);
    return report.status;
}
