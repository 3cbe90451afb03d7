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

// A name as this platform's file names compare: two names that fold alike name one file.
// Windows folds the letters of the ANSI code page, other hosts ASCII letters only; the
// definitions live in the platform's file layer body.
std::string FoldCase(const std::string& name);

}  // namespace base

// Full names as the batch reader resolves them ("X:\..." or "\\server\share\..."), pure
// helpers beside the ones above.
namespace base {

// "C:\Game\maps\..\a.map." -> "C:\Game\a.map": "/" read as "\", "." and ".." resolved, the
// trailing dots and blanks of each part dropped, as Windows reads a full name.
std::string NormaliseFull(const std::string& full);

// The folder part of a normalised full name; the root keeps its "\" ("C:\" of "C:\a") and is
// its own parent, other folders have none at their end.
std::string FullParent(const std::string& full);

// The last part of a normalised full name; "" for a root.
std::string FullLeaf(const std::string& full);

bool IsFullRoot(const std::string& full);

// Whether a full name can name a file a command changes: "X:\..." or "\\server\share\..."
// with non-empty parts, none holding a wildcard, a drive colon, a character Windows refuses in
// names ("<>|\"" and control characters) or a separator run.
bool IsPlainFullName(const std::string& full);

}  // namespace base
