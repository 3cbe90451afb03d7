// The index format the store writes (version 5): the next apply's number, the mods still to be
// applied again, the originals of files the player left as they were, and every apply
// remembered, oldest first, for each file an apply changed the file as it was just before (a
// kept copy with its attributes, absent, or lost) and as the apply left it; a check line over
// all of it. Every text is UTF-8.
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
    // From keeping its originals until its run is settled: only then may a run note name it.
    bool running = false;
};

// A mod to be applied again after a Take out, as the list showed it.
struct AgainEntry {
    std::string mod;
    std::string batchPath;
    bool operator==(const AgainEntry& other) const { return mod == other.mod && batchPath == other.batchPath; }
};

struct StoreRecords {
    std::string gameFolder;
    std::vector<ApplyRecord> applies;  // oldest first
    // The number the next apply gets: above every number the store ever gave, so none is reused.
    std::uint64_t next = 1;
    // First originals of files the player left as they were when their apply was taken out:
    // Restore still puts them back. Each group keeps its copies in the folder of the apply it
    // was left by, named by its number; only `number` and `entries` count.
    std::vector<ApplyRecord> left = {};
    // The mods a Take out still has to apply again, in order: a kill may stop it in between.
    std::vector<AgainEntry> again = {};
};

// The number the next apply gets: `next`, or above the highest number when that is higher;
// nothing when no number is left.
std::optional<std::uint64_t> NextNumber(const StoreRecords& records);
// Where apply `number` stands in the records; nothing when it is not there.
std::optional<std::size_t> IndexOfApply(const StoreRecords& records, std::uint64_t number);

// The name of the record made from a store the previous version kept inside the game folder.
inline constexpr char kKeptBefore[] = "kept before";

// The index text; nothing when a name is bad or repeated within an apply or among the left
// originals, a kept entry has no hash, two applies or groups share a number, or a text holds
// a line break.
std::optional<std::string> EncodeRecords(const StoreRecords& records, NameFold fold);

// The version this format writes in its second line.
inline constexpr unsigned kIndexVersion = 5;
// The version before: no next number, mods to apply again, left originals or running mark;
// its next number is above its highest.
inline constexpr unsigned kPlainIndexVersion = 4;
// The version before that, as version 4 but for the attributes, its texts in the ANSI code page.
inline constexpr unsigned kAnsiIndexVersion = 3;

struct DecodedRecords {
    std::optional<StoreRecords> records;
    IndexProblem problem = IndexProblem::None;
    std::size_t line = 0;     // the line at fault, from 1
    unsigned version = 0;     // the version the records were read in
};
DecodedRecords DecodeRecords(const std::string& text, const std::string& gameFolder, NameFold fold);

// Whether the text is an index of version 4, which DecodePlainRecords reads.
bool IsPlainIndex(const std::string& text);
DecodedRecords DecodePlainRecords(const std::string& text, const std::string& gameFolder, NameFold fold);

// Whether the text is an index of version 3, which DecodeAnsiRecords reads: its texts become
// UTF-8 and its kept files have no attributes.
bool IsAnsiIndex(const std::string& text);
DecodedRecords DecodeAnsiRecords(const std::string& text, const std::string& gameFolder, NameFold fold);

}  // namespace manager
