// The index format the store writes (version 4): every apply remembered, oldest first, for each
// file an apply changed the file as it was just before (a kept copy with its attributes, absent,
// or lost) and as the apply left it, and a check line over all of it. Every text is UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/file_results.h"
#include "manager/originals/index_entries.h"

namespace manager {

// A file as an apply left it, to see later whether something else changed it since.
struct AfterState {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t time = 0;
};
// Whether the file is still as `a` says: `b` is its state now, nothing for a folder or device.
inline bool SameState(const AfterState& a, const std::optional<AfterState>& b) {
    return b && a.exists == b->exists && (!a.exists || (a.size == b->size && a.time == b->time));
}

struct ApplyEntry {
    ApplyEntry() = default;
    ApplyEntry(IndexEntry before_, std::optional<AfterState> after_, base::FileAttributes attributes_ = {})
        : before(std::move(before_)), after(after_), attributes(attributes_) {}

    IndexEntry before;                 // kept (with size and hash), absent or lost
    std::optional<AfterState> after;   // none until the apply has run
    base::FileAttributes attributes;   // kept: the original's, put back with it
};

struct ApplyRecord {
    std::uint64_t number = 0;  // its copies live in the store's folder named by this number
    std::string mod;           // the mod's name as the list showed it
    std::string batchPath;     // empty for the files a previous version kept
    std::int64_t when = 0;     // UTC seconds since 1970
    std::vector<ApplyEntry> entries;
    // The previous version's store, read where it lies in the game folder because it could not
    // be moved out: never written in the index, its copies unchecked.
    bool readInPlace = false;
};

struct StoreRecords {
    std::string gameFolder;
    std::vector<ApplyRecord> applies;  // oldest first
};

// The name of the record made from a store the previous version kept inside the game folder.
inline constexpr char kKeptBefore[] = "kept before";

// The index text; nothing when a name is bad or repeated within an apply, a kept entry has
// no hash, or two applies share a number.
std::optional<std::string> EncodeRecords(const StoreRecords& records, NameFold fold);

// The version this format writes in its second line.
inline constexpr unsigned kIndexVersion = 4;
// The version before, the same lines but for the attributes, its texts in the ANSI code page.
inline constexpr unsigned kAnsiIndexVersion = 3;

struct DecodedRecords {
    std::optional<StoreRecords> records;
    IndexProblem problem = IndexProblem::None;
    std::size_t line = 0;     // the line at fault, from 1
    unsigned version = 0;     // the version the records were read in
};
DecodedRecords DecodeRecords(const std::string& text, const std::string& gameFolder, NameFold fold);

// Whether the text is an index of version 3, which DecodeAnsiRecords reads: its texts become
// UTF-8 and its kept files have no attributes.
bool IsAnsiIndex(const std::string& text);
DecodedRecords DecodeAnsiRecords(const std::string& text, const std::string& gameFolder, NameFold fold);

}  // namespace manager
