// Which files a mod batch file changes, read from its lines as the command interpreter reads them.
#pragma once

#include <optional>
#include <string>
#include <vector>

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

// Every line of the file, CR before LF dropped, with no length limit; nothing when it
// cannot be opened or read to its end.
std::optional<std::vector<std::string>> ReadAllLines(const std::string& path);

// Whether a name matches a pattern of "*" and "?", letters compared without case. As
// the command interpreter does, a pattern ending in ".*" also matches names without a dot.
bool MatchesWildcard(const std::string& pattern, const std::string& name);

bool HasWildcard(const std::string& name);

// The folder part of a name with its last separator: "maps\" of "maps\a.map", "" of "a.map".
std::string FolderPart(const std::string& name);

// Whether the last part of a name is a device ("nul", "con", "com1.txt", ...), not a file.
bool IsDeviceName(const std::string& name);

// The name a copy, move or rename with a wildcard target gives the file `name`: in the
// stem and the extension of `pattern`, "*" takes the rest of the same part of `name`
// and "?" its character at that place; other characters stay.
std::string NameByPattern(const std::string& pattern, const std::string& name);

}  // namespace batchfile
