// What Grenwick noted of the game folder before a mod ran, kept in the store while the mod
// runs: a run that a kill or a power cut stopped is settled from it at the next start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "manager/originals/originals_store.h"

namespace manager {

// The file in the store's folder that holds the note; gone once the run is settled.
inline constexpr char kRunNoteName[] = "run.txt";

// A note belongs to the index it was written beside: the index's generation when the run
// began, the apply it names and the game folder must all still be what the store reads.
struct RunNote {
    std::string gameFolder;
    std::uint64_t number = 0;  // the apply whose mod runs
    std::string generation;    // OriginalsStore::Generation() as the run began
    FolderNotes before;        // the game folder's files just before the run
};

// The note's text, ending in a check line over every byte above it, as the index does.
std::string EncodeRunNote(const RunNote& note);
// Nothing when the check line does not match, a line has no known shape, or a text would not
// be written back the same (a name or folder noted twice, a line break in a text).
std::optional<RunNote> DecodeRunNote(const std::string& text);

}  // namespace manager
