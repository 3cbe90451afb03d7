// Path names as the command interpreter and the file system read them: pure helpers that
// never touch the disk. Names are written with "\" between their parts on every host; "/"
// is read as a separator too.
#pragma once

#include <string>
#include <vector>

namespace base {

constexpr bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A name taken apart: its root ("C:\", "\\server\share\", "\", "C:" or nothing for a
// relative name) and its parts, "." and ".." resolved.
struct SplitName {
    std::string root;
    std::vector<std::string> parts;
};
SplitName Split(const std::string& name);

// The parts from `from` on, with "\" between them.
std::string JoinParts(const std::vector<std::string>& parts, std::size_t from = 0);

// `name` in `folder`: one "\" between them, none added after a folder that ends in one.
std::string Join(const std::string& folder, const std::string& name);

// The folder part of a name with its last separator: "maps\" of "maps\a.map", "C:" of
// "C:a.map", "" of "a.map".
std::string FolderPart(const std::string& name);

// The last part of a name: "a.map" of "maps\a.map".
std::string BaseName(const std::string& name);

// True for a name that does not start from the current folder: "\x", "C:\x", "C:x", "\\s\x".
bool IsRooted(const std::string& name);

bool HasWildcard(const std::string& name);

// Whether a name matches a pattern of "*" and "?", letters compared without case. As
// the command interpreter does, a pattern ending in ".*" also matches names without a dot.
bool MatchesWildcard(const std::string& pattern, const std::string& name);

// The name a copy, move or rename with a wildcard target gives the file `name`: in the
// stem and the extension of `pattern`, "*" takes the rest of the same part of `name`
// and "?" its character at that place; other characters stay.
std::string NameByPattern(const std::string& pattern, const std::string& name);

// Whether the last part of a name is a device ("nul", "con", "com1.txt", ...), not a file.
bool IsDeviceName(const std::string& name);

// The name a program is known by: the last part of its path without ".exe" or ".com" (in
// any letter case), letter case kept: "XCOPY" of "C:\x\XCOPY.EXE", "Grenwick" of its path.
std::string ProgramName(const std::string& path);

// A name as this platform's file names compare: two names that fold alike name one file.
// Windows folds every letter by the file system's own ordinal rule (the result in UTF-8),
// other hosts ASCII letters only. It asks no disk, only the system's letter rules, so each
// platform has its own body of it: paths_win.cpp and paths_posix.cpp.
std::string FoldCase(const std::string& name);

}  // namespace base
