// The pieces of every version of the originals store's index: its entries (what was kept,
// created or lost), the ways it is refused, its numbers, hashes and check line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.h"
#include "base/text.h"

namespace manager {

using base::NameFold;
// A name an index gives: inside the game folder, a full path outside it, or refused.
using base::NamePlace;
using base::PlaceOfName;

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

// A SHA-256 written as 64 lowercase hex digits.
inline constexpr std::size_t kSha256HexDigits = 64;

bool IsSha256Hex(std::string_view text);
// Whether a text fits on one line of an index or a note: no CR, no LF.
bool OnOneLine(std::string_view text);
// Decimal digits without a sign or leading zero, within 64 bits.
std::optional<std::uint64_t> ParseUnsigned(std::string_view text);
// As std::to_string writes an int64: no "-0", down to INT64_MIN.
std::optional<std::int64_t> ParseSigned(std::string_view text);

// The line that ends the index and the store's other notes: "check<TAB>" and the SHA-256 of
// every byte above it, after CR LF.
std::string WithCheckLine(std::string body);
// The text above the check line when that is the last line and matches it; else nothing,
// `problem` saying why (NoCheck or WrongCheck).
std::optional<std::string_view> CheckedBody(std::string_view text, IndexProblem& problem);
// The hash a check line of a text CheckedBody took carries: 64 hex digits.
std::string_view CheckOf(std::string_view sealed);

// A drive or network path from its root down, every part a plain name.
bool IsFullPathName(const std::string& path);

}  // namespace manager
