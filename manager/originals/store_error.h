// One failure value for the store of originals: what went wrong, on which file, and why; and
// the one place it is worded.
#pragma once

#include <string>

#include "base/files.h"

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
};

// A failed write of the store's own file `error.file`.
StoreError NotWritten(const base::WriteError& error);

// What went wrong as the start of a sentence, then `consequence` (", so ..."), then why
// where the player can act on it ("The disk is full.").
std::string StoreMessage(const StoreError& error, const std::string& consequence);

}  // namespace manager
