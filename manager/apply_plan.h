// What a change of the store is planned to do before the lock is taken: an apply's reading of
// its batch file and the player's answers, and each later mod a take-out applies again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batchfile/reader/batch_effects.h"
#include "manager/list/mod_list.h"
#include "manager/messages.h"
#include "manager/originals/index_format.h"

namespace manager {

// What an apply will do, settled before the lock is taken: the batch file's lines as read once,
// what the reader foresees, and what the player answered.
struct ApplyPlan {
    ModEntry entry;           // the mod's name and batch file as the kit holds them (UTF-8)
    std::string runPath;      // the batch file as handed to the command interpreter
    std::string fullBatch;    // its full path
    std::vector<std::string> lines;
    batchfile::BatchEffects foreseen = {};
    std::vector<std::string> keep = {};  // what is kept before the run: the foreseen files, or every file
    bool whole = false;             // every file of the game folder
    std::uint64_t wholeBytes = 0;
};

// A mod a take-out applies again: the apply it was, its plan, or why it is left out.
struct AgainStep {
    std::uint64_t number = 0;
    AgainEntry mod;
    std::optional<ApplyPlan> plan;
    text::AgainResult result;
};

}  // namespace manager
