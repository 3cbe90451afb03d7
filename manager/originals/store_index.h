// The pieces of the originals store's index: its entries (what was kept, created or lost),
// each name checked so that no line can point outside its place; and the reader of the
// index the previous version kept inside the game folder.
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

// The previous version's index: kept and absent entries, no sizes, no hashes.
struct StoreIndex {
    std::string gameFolder;  // the game folder's full path
    std::vector<IndexEntry> entries;
};

enum class IndexProblem {
    None,
    NoCheck,          // the last line is not a check line ending the text
    WrongCheck,       // the check does not match the bytes above it
    UnknownFormat,    // another version's index
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

// Pieces of an index text, shared by the old index's reader and the apply records.
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

// Reads the previous version's index. `gameFolder` is the folder the caller keeps originals for.
DecodedIndex DecodeOldIndex(const std::string& text, const std::string& gameFolder, NameFold fold);

}  // namespace manager
