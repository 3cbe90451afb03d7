// Every file a hand-written batch file may change, read the way the command interpreter runs it,
// and the lines whose effect on files cannot be known.
#pragma once

#include <string>
#include <vector>

#include "batchfile/reader/reader_context.h"

namespace batchfile {

// Follows the lines with no arguments (%1.. are empty), every branch of an `if` taken and
// `goto` read as falling through, so `changed` holds every file the run may change.
BatchEffects EffectsOf(const std::vector<std::string>& lines, const ReaderContext& context);

}  // namespace batchfile
