// What a mod's batch file will change before it runs, and which of its lines no reader can follow.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "batchfile/file_changes.h"

namespace manager {

// The files the changes touch in the game folder as it is now: wildcards matched, a
// folder as target resolved to the name the file takes in it. Devices are left out.
std::vector<std::string> TouchedNames(const std::vector<batchfile::FileChange>& changes,
                                      const std::string& gameFolder);

struct ForeseeContext {
    std::string batchPath;   // full path of the batch file
    std::string gameFolder;  // the folder it starts in
    std::vector<std::pair<std::string, std::string>> environment;
};

struct UnfollowedLine {
    std::string file;
    int number;        // from 1
    std::string text;  // as written
};

struct Foreseen {
    std::vector<std::string> changed;  // full paths, or names relative to the game folder
    std::vector<UnfollowedLine> unfollowed;
};

Foreseen Foresee(const std::vector<std::string>& lines, const ForeseeContext& context);

}  // namespace manager
