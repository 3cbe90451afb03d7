// Reading the process's environment block.
#include "manager/win/process_environment.h"

#include <windows.h>

#include <cstring>

namespace manager {

std::vector<std::pair<std::string, std::string>> ProcessEnvironment() {
    std::vector<std::pair<std::string, std::string>> variables;
    char* block = GetEnvironmentStringsA();
    if (!block)
        return variables;  // none to pass on: the batch files see their own later anyway
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
        const char* equals = std::strchr(entry, '=');
        if (entry[0] == '=' || !equals)
            continue;
        variables.emplace_back(std::string(entry, equals), std::string(equals + 1));
    }
    FreeEnvironmentStringsA(block);
    return variables;
}

}  // namespace manager
