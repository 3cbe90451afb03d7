// What a mod's batch file will change before it runs, and which of its lines no reader can
// follow: the batch reader asked about the real disk.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batchfile/reader/batch_effects.h"

namespace manager {

struct ForeseeContext {
    std::string batchPath;   // full path of the batch file
    std::string gameFolder;  // the folder it starts in
    std::vector<std::pair<std::string, std::string>> environment;
};

using batchfile::UnfollowedLine;

// The files the run may change (full paths) and the lines whose effect cannot be known.
batchfile::BatchEffects Foresee(const std::vector<std::string>& lines, const ForeseeContext& context);

// The number (from 1) of the first line after which the foreseen changes hold a path that
// `reaches` says yes to; nothing when none do.
std::optional<std::size_t> FirstLineReaching(const std::vector<std::string>& lines, const ForeseeContext& context,
                                             const std::function<bool(const std::string& fullPath)>& reaches);

}  // namespace manager
