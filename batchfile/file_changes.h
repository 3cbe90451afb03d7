// Which files a mod batch file changes, read from its lines as the command interpreter reads them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"

namespace batchfile {

// One change a command makes, with the names as the line gives them (quotes removed).
// Without a source, `target` is deleted or changed in place: a file, a wildcard pattern,
// or a folder (the files in it). With a source, each file `source` names (it may be a
// pattern) lands at `target`; when `target` is a folder or a wildcard pattern, the file
// lands there under the name NameByPattern gives it.
struct FileChange {
    std::string target;
    std::string source;

    bool operator==(const FileChange& other) const { return target == other.target && source == other.source; }
};

// The changes of del, erase, copy, move, ren, rename, "ApplyPPF3.exe a|u <file> <patch>"
// and of output redirection, in line order. Labels, "::" and rem lines are skipped, other
// commands are left alone, and "%" variables are not expanded.
std::vector<FileChange> ChangesOf(const std::vector<std::string>& lines);

// Every line of the file, CR before LF dropped, with no length limit; nothing when it is
// no file on disk or cannot be read.
std::optional<std::vector<std::string>> ReadAllLines(const std::string& path);

// The name helpers the reader uses, reachable here as before.
using base::FolderPart;
using base::HasWildcard;
using base::IsDeviceName;
using base::MatchesWildcard;
using base::NameByPattern;

}  // namespace batchfile
