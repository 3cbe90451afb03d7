// What a mod's batch file will change before it runs, and which of its lines no reader can
// follow: the batch reader asked about the real disk.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "batchfile/batch_effects.h"

namespace manager {

struct ForeseeContext {
    std::string batchPath;   // full path of the batch file
    std::string gameFolder;  // the folder it starts in
    std::vector<std::pair<std::string, std::string>> environment;
};

using batchfile::UnfollowedLine;

// The files the run may change (full paths) and the lines whose effect cannot be known.
batchfile::BatchEffects Foresee(const std::vector<std::string>& lines, const ForeseeContext& context);

}  // namespace manager
