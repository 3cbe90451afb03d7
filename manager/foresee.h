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

// The reader asked about the disk as it is now, for batch file `batchPath` (a full path) run from
// `gameFolder` with the process's `environment`: the files it calls are read from the disk, its
// lines in the code page a new console starts in.
batchfile::ReaderContext ContextOnDisk(std::string batchPath, std::string gameFolder,
                                       std::vector<std::pair<std::string, std::string>> environment);

// The number (from 1) of the first line after which the foreseen changes hold a path that
// `reaches` says yes to; nothing when none do.
std::optional<std::size_t> FirstLineReaching(const std::vector<std::string>& lines, const batchfile::ReaderContext& context,
                                             const std::function<bool(const std::string& fullPath)>& reaches);

}  // namespace manager
