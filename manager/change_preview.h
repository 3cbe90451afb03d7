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
#include "manager/foresee.h"
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
    // The whole summary, asked for once the window is shown, where what a copy of the whole
    // game folder takes is still to be found (a walk of every file in it); empty when
    // `summary` is whole.
    std::function<std::string()> finishSummary;
};

// What a copy of the whole game folder takes, and the free space on the disk of the kept
// files; nothing when not known.
struct FolderSpace {
    std::optional<std::uint64_t> wholeBytes;
    std::optional<std::uint64_t> freeBytes;
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
    // Where lines cannot be followed: what a copy of the whole game folder takes and the free
    // space on the disk of the store, called only by the preview's finishSummary.
    std::function<FolderSpace()> findSpace;
};

// The words of the window's change column.
std::string ChangeText(PreviewRow::Change change);

ChangePreview PreviewChanges(const PreviewInput& input);

// The input with the real disk's answers. Only where lines cannot be followed, and only when
// the preview's finishSummary is called, the game folder is walked and the free space on the
// disk of `storeFolder` (or the nearest folder above it there is) asked. `effects` and
// `applied` must outlive the input, and `asked` too where given: the sizes the reader found of
// the files it asked about, taken from it rather than asked again.
PreviewInput PreviewOnDisk(const batchfile::BatchEffects& effects, const std::string& gameFolder,
                           const std::string& batchPath, const StoreRecords* applied, const std::string& storeFolder,
                           const DiskAnswers* asked = nullptr);

}  // namespace manager
