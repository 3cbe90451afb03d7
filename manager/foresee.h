// What a mod's batch file will change before it runs, and which of its lines no reader can
// follow: the batch reader asked about the real disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "batchfile/reader/batch_effects.h"

namespace manager {

// While one lives on this thread, the reader over the real disk (ContextOnDisk) keeps what it
// finds of each path it asks about, so that the size of a file it asked about just before
// need not be asked of the disk again. Not for use across threads.
class DiskAnswers {
public:
    DiskAnswers();
    ~DiskAnswers();
    DiskAnswers(const DiskAnswers&) = delete;
    DiskAnswers& operator=(const DiskAnswers&) = delete;

    // Whether the reader asked about `fullPath` (as written); `size` is then the file's size,
    // nothing when no file was there.
    bool Asked(const std::string& fullPath, std::optional<std::uint64_t>& size) const;
    void Keep(const std::string& fullPath, std::optional<std::uint64_t> size) { m_sizes[fullPath] = size; }
    static DiskAnswers* Current();

private:
    std::unordered_map<std::string, std::optional<std::uint64_t>> m_sizes;
    DiskAnswers* m_outer;
};

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
