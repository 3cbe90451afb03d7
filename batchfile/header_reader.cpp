// Header reading for mod batch files: line rules and marker rules.
#include "batchfile/header_reader.h"

#include <limits>
#include <utility>

#include "base/files.h"

namespace batchfile {

using base::UniqueFile;

namespace {
constexpr std::size_t kWholeLine = std::numeric_limits<std::size_t>::max() - 1;
}  // namespace

// Keeps one byte beyond the limit, so that a CR right before the LF of a line of exactly
// `maxLength` characters is still seen and dropped; the rest of a longer line is skipped,
// so the next call starts at the file's next line.
std::optional<std::string> ReadLine(std::FILE* file, std::size_t maxLength) {
    int c = std::getc(file);
    if (c == EOF)
        return std::nullopt;
    std::string line;
    for (; c != EOF && c != '\n'; c = std::getc(file)) {
        if (line.size() <= maxLength)
            line.push_back(static_cast<char>(c));
    }
    if (c == '\n' && !line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > maxLength)
        line.resize(maxLength);
    return line;
}

std::optional<std::vector<std::string>> ReadAllLines(const std::string& path) {
    base::PathKind kind = base::PathKind::Missing;
    UniqueFile file = base::OpenDiskFile(path, kind);
    if (!file)
        return std::nullopt;
    std::vector<std::string> lines;
    while (std::optional<std::string> line = ReadLine(file.get(), kWholeLine))
        lines.push_back(std::move(*line));
    if (std::ferror(file.get()))
        return std::nullopt;
    return lines;
}

// Binary mode, so CR LF handling and an early Ctrl-Z are the same on every host.
ModHeader ReadModHeader(const std::string& path, int lineCount) {
    ModHeader header;
    base::PathKind kind = base::PathKind::Missing;
    UniqueFile file = base::OpenDiskFile(path, kind);
    if (!file) {
        header.kind = kind == base::PathKind::Other ? kind : base::PathKind::Missing;
        return header;
    }
    header.kind = base::PathKind::File;
    header.line1 = ReadLine(file.get()).value_or(std::string());
    if (lineCount >= 2)
        header.line2 = ReadLine(file.get()).value_or(std::string());
    return header;
}

std::optional<std::string> MarkerText(const std::string& line, char marker) {
    const std::size_t at = line.find(marker);
    if (at == std::string::npos)
        return std::nullopt;
    return line.substr(at + 1);
}

std::string ModNameOf(const std::string& line1, const std::string& path) {
    return MarkerText(line1, '&').value_or(path);
}

std::optional<std::string> PpfTextOf(const std::string& line2) { return MarkerText(line2, '<'); }

}  // namespace batchfile
