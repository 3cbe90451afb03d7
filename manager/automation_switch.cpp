// Command-line switches of an automation start.
#include "manager/automation_switch.h"

#include <cctype>
#include <sstream>

namespace manager {
namespace {

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

}  // namespace

bool IsAutomationStart(const std::string& arguments) {
    std::istringstream words(arguments);
    std::string word;
    while (words >> word) {
        if (word.size() > 1 && (word[0] == '/' || word[0] == '-')) {
            const std::string name = word.substr(1);
            if (EqualsIgnoringCase(name, "automation") || EqualsIgnoringCase(name, "embedding"))
                return true;
        }
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
