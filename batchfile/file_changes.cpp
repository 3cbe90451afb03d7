// Reading a batch file's lines.
#include "batchfile/file_changes.h"

#include <algorithm>

#include "base/files.h"

namespace batchfile {

std::optional<std::vector<std::string>> ReadAllLines(const std::string& path) {
    const std::optional<std::string> bytes = base::ReadWholeFile(path);
    if (!bytes)
        return std::nullopt;
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < bytes->size();) {
        const std::size_t end = std::min(bytes->find('\n', start), bytes->size());
        std::size_t length = end - start;
        if (end < bytes->size() && length > 0 && (*bytes)[end - 1] == '\r')
            --length;
        lines.push_back(bytes->substr(start, length));
        start = end + 1;
    }
    return lines;
}

}  // namespace batchfile
