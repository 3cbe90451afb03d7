// Every file a hand-written batch file may change, read the way the command interpreter runs it,
// and the lines whose effect on files cannot be known.
#pragma once

#include <string>
#include <vector>

#include "batchfile/reader/reader_context.h"

namespace batchfile {

// Follows the lines with no arguments (%1.. are empty). An `if` the reader can answer (a name
// on the disk, a variable set or not, known texts compared) runs the branch it picks; any
// other runs both, and a menu's answer runs each branch it can choose. A `goto` that surely
// runs is followed; one that may not is read as falling through, and the lines it may reach
// are read all the same. So `changed` holds every file the run may change.
BatchEffects EffectsOf(const std::vector<std::string>& lines, const ReaderContext& context);

}  // namespace batchfile
