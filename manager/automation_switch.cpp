// Command-line switches of an automation start.
#include "manager/automation_switch.h"

#include <algorithm>

#include "base/text.h"

namespace manager {

bool IsAutomationStart(const std::string& arguments) {
    constexpr char kBlanks[] = " \t";
    for (std::size_t start = arguments.find_first_not_of(kBlanks); start != std::string::npos;) {
        const std::size_t end = std::min(arguments.find_first_of(kBlanks, start), arguments.size());
        const std::string word = arguments.substr(start, end - start);
        if (word.size() > 1 && (word[0] == '/' || word[0] == '-') &&
            (base::EqualsIgnoringCase(word.substr(1), "automation") || base::EqualsIgnoringCase(word.substr(1), "embedding")))
            return true;
        start = arguments.find_first_not_of(kBlanks, end);
    }
    return false;
}

std::string ArgumentsOf(const std::string& commandLine) {
    std::size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        at = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        at = commandLine.find_first_of(" \t");
        if (at == std::string::npos)
            at = commandLine.size();
    }
    return commandLine.substr(at);
}

}  // namespace manager
