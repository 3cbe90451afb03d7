// What a mod's batch file will do to the files, as the reader foresees it, before anything runs:
// the rows and the summary of the "What this mod changes" window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "batchfile/reader/reader_context.h"
#include "manager/originals/index_format.h"

namespace manager {

// One file the mod may change: its name from the game folder (a full path outside it).
struct PreviewRow {
    std::string name;
    enum class Change { Changed, Created, Deleted, MayChange } change;
    std::string appliedMod;             // the applied mod that changed it last; empty when none
    std::optional<std::uint64_t> size;  // now; nothing when no file is there
};

// One line the reader cannot follow: "line N", or "\"<file>\" line N" in a file it calls.
struct PreviewLine {
    std::string where;
    std::string text;
    std::string why;
};

struct ChangePreview {
    std::vector<PreviewRow> rows;  // sorted by name as the file system compares names
    std::vector<PreviewLine> lines;
    std::string summary;
};

struct PreviewInput {
    const batchfile::BatchEffects* effects = nullptr;  // the reader's result
    std::string gameFolder;
    std::string batchPath;  // full path
    const StoreRecords* applied = nullptr;  // nothing when the store could not be read
    // The size of the file at a full path now; nothing when no file is there.
    std::function<std::optional<std::uint64_t>(const std::string& fullPath)> sizeNow;
    // The files in a folder and below it, named from it.
    std::function<std::vector<base::TreeFile>(const std::string& fullFolder)> filesIn;
    // Where lines cannot be followed: a copy of the whole game folder, and the free space on
    // the disk of the store; nothing when not known.
    std::optional<std::uint64_t> wholeBytes;
    std::optional<std::uint64_t> freeBytes;
};

// The words of the window's change column.
std::string ChangeText(PreviewRow::Change change);

ChangePreview PreviewChanges(const PreviewInput& input);

// The input with the real disk's answers; the game folder is walked, and the free space on the
// disk of `storeFolder` (or the nearest folder above it there is) asked, only where lines
// cannot be followed. `effects` and `applied` must outlive the input.
PreviewInput PreviewOnDisk(const batchfile::BatchEffects& effects, const std::string& gameFolder,
                           const std::string& batchPath, const StoreRecords* applied, const std::string& storeFolder);

}  // namespace manager
