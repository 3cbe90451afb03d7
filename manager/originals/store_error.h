// One failure value for the store of originals (what went wrong, on which file, and why) and
// the sentences that word it for the player.
#pragma once

#include <string>

#include "base/files.h"
#include "manager/originals/index_entries.h"

namespace manager {

struct StoreError {
    enum class What {
        NoRoot,      // no folder is known to keep originals in
        InUse,       // another Grenwick window holds the state lock
        Unreadable,  // the index `file` cannot be read or is refused
        NotWritten,  // `file` (the index or a copy's folder) could not be written
        NotKept,     // the original `file` could not be kept
        Cancelled,   // the player cancelled keeping the originals
    };
    What what = What::Unreadable;
    std::string file = {};
    base::WriteError::Reason why = base::WriteError::Reason::Other;
    IndexProblem problem = IndexProblem::None;  // Unreadable: what is wrong with the index
    std::size_t line = 0;                       // and at which line, from 1; 0 for all of it
};

// A failed write of the store's own file `error.file`.
StoreError NotWritten(const base::WriteError& error);


}  // namespace manager
