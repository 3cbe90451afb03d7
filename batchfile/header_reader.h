// Reading the lines of a mod batch file: the header lines and the markers they carry, or all of them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/files.h"

namespace batchfile {

// The longest line a reader takes; the rest of a longer line is skipped.
inline constexpr std::size_t kMaxLineLength = 499;

// Reads the next line: up to LF, a CR right before the LF dropped, cut to `maxLength`.
// Empty optional when the stream is already at its end.
std::optional<std::string> ReadLine(std::FILE* file, std::size_t maxLength = kMaxLineLength);

// Every line of the file, CR before LF dropped, with no length limit; nothing when it is
// no file on disk or cannot be read to its end (half a batch file would be followed as if
// it were all of it).
std::optional<std::vector<std::string>> ReadAllLines(const std::string& path);

struct ModHeader {
    // File: it was opened and read. Other: a device or a pipe, nothing was read from it.
    // Missing: it could not be opened (not there, a folder, no rights); the lines are empty.
    base::PathKind kind = base::PathKind::Missing;
    std::string line1;
    std::string line2;    // read only when two lines were asked for
};

// Reads line 1, and line 2 when lineCount is 2; a line past the file's end is empty. Only a
// file on disk is read.
ModHeader ReadModHeader(const std::string& path, int lineCount);

// The text after the first `marker` in the line, or nothing when there is none.
std::optional<std::string> MarkerText(const std::string& line, char marker);

// The mod's name: the text after the first "&" of line 1, or the path when there is none.
std::string ModNameOf(const std::string& line1, const std::string& path);

// The PPF text after the first "<" of line 2, or nothing when line 2 is no PPF line.
std::optional<std::string> PpfTextOf(const std::string& line2);

}  // namespace batchfile
