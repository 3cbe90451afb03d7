// Arguments and console text where names are bytes already.
#include "base/console.h"

namespace base {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void WriteText(std::FILE* stream, const std::string& text) { std::fputs(text.c_str(), stream); }

}  // namespace base
