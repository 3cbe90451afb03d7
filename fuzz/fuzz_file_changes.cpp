// Fuzzes the batch command reader over arbitrary lines: it must end, and every name it
// reports must be made of the lines' own bytes (or be ".", the current folder).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batchfile/file_changes.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Every byte of the name occurs in the line: the reader never makes up a character.
bool MadeOf(const std::string& name, const std::string& line) {
    for (const char c : name)
        if (line.find(c) == std::string::npos)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (const batchfile::FileChange& change : batchfile::ChangesOf(lines)) {
        Check(!change.target.empty() && change.target.find('"') == std::string::npos);
        Check((change.target == "." || MadeOf(change.target, text)) && MadeOf(change.source, text));
        batchfile::NameByPattern(change.target, change.source);
        batchfile::MatchesWildcard(change.target, change.source);
    }
    return 0;
}
