// The originals store's index as one text: what was kept, created or lost, with a check
// line over every byte, and each name checked so that no line can point outside its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace manager {

// Folds a name as the platform compares file names: two names that fold alike are one file.
using NameFold = std::string (*)(const std::string&);

enum class EntryKind {
    Kept,    // a copy of the original is in the store
    Absent,  // a mod created the file: putting back deletes it
    Lost,    // a mod changed or deleted it and no copy was kept: it cannot be put back
};

struct IndexEntry {
    EntryKind kind = EntryKind::Kept;
    std::string name;        // relative to the game folder, or a full path outside it
    std::uint64_t size = 0;  // kept: the copy's size in bytes
    std::string sha256;      // kept: 64 lowercase hex digits; empty when read from an old index
};

struct StoreIndex {
    std::string gameFolder;  // the game folder's full path
    std::vector<IndexEntry> entries;
    bool old = false;        // read from the previous version's index: no sizes, no hashes
};

enum class IndexProblem {
    None,
    NoCheck,          // the last line is not a check line ending the text
    WrongCheck,       // the check does not match the bytes above it
    UnknownFormat,    // neither this version's index nor the old one
    Malformed,        // a line of no known shape
    BadName,          // a name that could lie outside its place, or name no file
    DuplicateName,
    OtherGameFolder,  // the index belongs to another game folder
};

struct DecodedIndex {
    std::optional<StoreIndex> index;  // empty unless `problem` is None
    IndexProblem problem = IndexProblem::None;
    std::size_t line = 0;             // the line at fault, from 1; 0 for the text as a whole
};

// Pieces of an index text, shared by the plain index and the apply records.
bool StartsWith(const std::string& text, const char* prefix);
std::vector<std::string> SplitAt(const std::string& text, char separator);
// 64 lowercase hex digits, as a SHA-256 is written.
bool IsSha256Hex(const std::string& text);
// Decimal digits without a sign or leading zero, within 64 bits.
std::optional<std::uint64_t> ParseUnsigned(const std::string& text);

// Where a name lies: inside the game folder (a plain relative name), outside it (a full
// path elsewhere), or nowhere a store may name.
enum class NamePlace { Invalid, Inside, Outside };
// A drive or network path from its root down, every part a plain name.
bool IsFullPathName(const std::string& path);

NamePlace PlaceOfName(const std::string& name, const std::string& gameFolder, NameFold fold);

// The index text with CR LF line ends; empty when an entry could not be read back (a bad
// or repeated name, a kept file without its hash) or the game folder is no full path.
std::optional<std::string> EncodeIndex(const StoreIndex& index, NameFold fold);

// Reads this version's index, or the old one (header and kept/absent lines) marked as old.
// `gameFolder` is the folder the caller keeps originals for.
DecodedIndex DecodeIndex(const std::string& text, const std::string& gameFolder, NameFold fold);

}  // namespace manager
