// Path names as the command interpreter and the file system read them: pure helpers that
// never touch the disk. Names are written with "\" between their parts on every host; "/"
// is read as a separator too.
#pragma once

#include <optional>
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

// A name cut after its last separator (or drive colon): FolderPart + BaseName is the name.
// "maps\" and "a.map" of "maps\a.map", "C:" and "a.map" of "C:a.map", "" and "a.map" of "a.map".
std::string FolderPart(const std::string& name);
std::string BaseName(const std::string& name);

// The folder a name is in, without the separator after it: "maps" of "maps\a.map",
// "C:\Game" of "C:\Game\a.map", "" of "a.map". A root keeps its separator and is its own
// folder: "C:\" of "C:\a" and of "C:\", "\\server\share\" of "\\server\share\a".
std::string ParentFolder(const std::string& name);

// True for a name that does not start from the current folder: "\x", "C:\x", "C:x", "\\s\x".
bool IsRooted(const std::string& name);

bool HasWildcard(const std::string& name);

// Whether a name matches a pattern of "*" and "?" ("?" one character), letters compared as
// the platform's file names compare (FoldCase). As the command interpreter does, a pattern
// ending in ".*" also matches names without a dot.
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

// Names as the kit kept them before it read them as UTF-8: in the ANSI code page's bytes,
// folded by upper-casing that code page's letters. Nothing where a character has no place
// in the code page, and on hosts that have none.
std::optional<std::string> AnsiOf(const std::string& name);
std::string FoldAnsi(const std::string& ansi);

// Names checked and placed: whether a name can point outside its place, and where it lies
// seen from a folder. The one check "is this name inside that folder" is IsWithin.

// Folds a name as the platform compares file names; FoldCase is the platform's own.
using NameFold = std::string (*)(const std::string&);

// One part of a name that the platform opens as named: not empty, no "." or "..", no
// character a file name cannot hold, no trailing dot or blank (the platform drops them, so
// "a.map." is "a.map"), no device.
bool IsPlainPart(const std::string& part);

// The one check of a full path: a drive or network path from its root ("C:\",
// "\\server\share\") down, every part plain and no separator after the last; nothing for
// any other name. A name of a file has at least one part below the root.
std::optional<SplitName> SplitFullPath(const std::string& path);

// Whether `name` is `folder` or lies below it: the same root and the folder's parts first,
// compared as `fold` folds them.
bool IsWithin(const SplitName& name, const SplitName& folder, NameFold fold);

// Where a name lies seen from the full folder `folder`: inside it by its parts below it
// ("maps\a.map" for ".\maps\a.map" or "C:\Game\maps\a.map"), else by its full path.
// "C:x" names x in the current folder of drive C:, taken as `folder` on its drive.
struct FolderPlace {
    std::string name;
    bool inside;
};
FolderPlace PlaceInFolder(const std::string& name, const std::string& folder);

// The name without separators at its end, but for the one that ends a root ("C:\").
std::string WithoutTrailingSeparator(std::string name);

// A full name as a relative one, for keeping a file from elsewhere below a folder: the
// drive's colon and the leading separators go ("C\x\y" of "C:\x\y").
std::string RootAsFolder(const std::string& name);

}  // namespace base

// Full names as the batch reader resolves them ("X:\..." or "\\server\share\..."), pure
// helpers beside the ones above.
namespace base {

// "C:\Game\maps\..\a.map." -> "C:\Game\a.map": "/" read as "\", "." and ".." resolved, the
// trailing dots and blanks of each part dropped, as Windows reads a full name.
std::string NormaliseFull(const std::string& full);

// The last part of a normalised full name; "" for a root.
std::string FullLeaf(const std::string& full);

bool IsFullRoot(const std::string& full);

}  // namespace base

// Names a list of kept files gives, placed from one folder: pure helpers beside the ones above.
namespace base {

// Where a name lies seen from the full folder `folder`: inside it as a relative name of plain
// parts, outside it as a full path elsewhere, or Invalid: a full path inside the folder (so
// each file has one spelling), a relative name with a root or a part that is not plain.
enum class NamePlace { Invalid, Inside, Outside };
NamePlace PlaceOfName(const std::string& name, const std::string& folder, NameFold fold);

}  // namespace base
