// What a console program takes from its start and gives to its console: arguments in UTF-8,
// and text that shows on a console as the characters it holds.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace base {

// The program's arguments after its own name, in UTF-8. On Windows they come from the wide
// command line, so that a name the code page cannot hold arrives whole.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Writes `text` to a standard stream. On a Windows console it goes through the wide console
// call, read as UTF-8 where it is (else in the ANSI code page); elsewhere as its bytes.
void WriteText(std::FILE* stream, const std::string& text);

}  // namespace base
