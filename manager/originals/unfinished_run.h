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

struct RunNote {
    std::string gameFolder;
    std::uint64_t number = 0;  // the apply whose mod runs
    FolderNotes before;        // the game folder's files just before the run
};

// The note's text, ending in a check line over every byte above it, as the index does.
std::string EncodeRunNote(const RunNote& note);
// Nothing when the check line does not match or a line has no known shape.
std::optional<RunNote> DecodeRunNote(const std::string& text);

}  // namespace manager
