// The command runner of the programs: the C runtime's system(), which hands the line (UTF-8)
// to the command interpreter and waits for it to end.
#pragma once

#include "manager/mod_manager.h"

namespace manager {

class SystemRunner final : public CommandRunner {
public:
    void Run(const std::string& commandLine) override;
};

}  // namespace manager
