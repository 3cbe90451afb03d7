// The rows of "What this mod changes": each file the reader foresees, what happens to it, the
// applied mod it overwrites, and the lines no reader follows, with one line that sums them up.
#include "manager/change_preview.h"

#include "manager/messages.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/byte_size.h"
#include "base/paths.h"
#include "manager/messages.h"
#include "manager/originals/applied_mods.h"

namespace manager {
namespace {

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The applied mod that changed each row last, as the question before an apply names it.
// Returns the mods named, in the order first met.
std::vector<std::string> NameAppliedMods(std::vector<PreviewRow>& rows, const StoreRecords& records,
                                         const std::string& batchPath) {
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const PreviewRow& row : rows)
        names.push_back(row.name);
    std::vector<std::string> mods;
    std::size_t row = 0;
    // The files come back in the order of the names, each once, and the rows are unique.
    for (Overwritten& file : OverwrittenFiles(records, names, batchPath, &base::FoldCase)) {
        while (row < rows.size() && rows[row].name != file.name)
            ++row;
        if (row == rows.size())
            break;
        if (std::find(mods.begin(), mods.end(), file.mod) == mods.end())
            mods.push_back(file.mod);
        rows[row].appliedMod = std::move(file.mod);
    }
    return mods;
}

PreviewLine LineOf(const batchfile::UnfollowedLine& line, const std::string& batchPath) {
    std::string where = "line " + std::to_string(line.number);
    if (base::FoldCase(line.file) != base::FoldCase(batchPath))
        where = "\"" + line.file + "\" " + where;
    return {std::move(where), line.text, batchfile::WhyText(line.why)};
}

// What a copy of the whole game folder takes and the free space, where lines cannot be followed.
std::string SpaceText(std::optional<std::uint64_t> wholeBytes, std::optional<std::uint64_t> freeBytes) {
    if (!wholeBytes)
        return {};
    std::string text = "; a copy of the whole game folder would take " + base::ExplorerSize(*wholeBytes);
    if (freeBytes)
        text += ", with " + base::ExplorerSize(*freeBytes) + " free on the disk of the kept files";
    return text;
}

// The summary up to what keeping the originals takes, without the closing full stop.
std::string Summary(const std::vector<PreviewRow>& rows, const std::vector<std::string>& mods,
                    const PreviewInput& input) {
    std::size_t counts[4] = {};
    std::uint64_t keep = 0;
    std::size_t ofMods = 0;
    for (const PreviewRow& row : rows) {
        ++counts[static_cast<int>(row.change)];
        if (row.change != PreviewRow::Change::MayChange)
            keep += row.size.value_or(0);
        ofMods += !row.appliedMod.empty();
    }
    using Change = PreviewRow::Change;
    std::string text = "Changes " + Counted(counts[static_cast<int>(Change::Changed)], "file", "files") +
                       ", creates " + std::to_string(counts[static_cast<int>(Change::Created)]) + " and deletes " +
                       std::to_string(counts[static_cast<int>(Change::Deleted)]);
    if (const std::size_t may = counts[static_cast<int>(Change::MayChange)])
        text += ", and may change " + std::to_string(may) + " more";
    text += ". ";
    if (!input.applied)
        text += "Which belong to applied mods is not known: the kept original files could not be read. ";
    else if (ofMods == 0)
        text += "None belongs to an applied mod. ";
    else
        text += std::to_string(ofMods) + (ofMods == 1 ? " belongs to " : " belong to ") +
                (mods.size() == 1 ? "an applied mod: " : "applied mods: ") + text::QuotedList(mods) + ". ";
    const std::size_t lines = input.effects->unfollowed.size();
    text += lines == 0 ? "Every line can be followed. "
                       : "Grenwick cannot follow " + Counted(lines, "line", "lines") + " of it. ";
    return text + "Keeping their originals takes " + base::ExplorerSize(keep);
}

}  // namespace

std::string ChangeText(PreviewRow::Change change) {
    switch (change) {
    case PreviewRow::Change::Changed:
        return "changed";
    case PreviewRow::Change::Created:
        return "created";
    case PreviewRow::Change::Deleted:
        return "deleted";
    case PreviewRow::Change::MayChange:
        break;
    }
    return "may change";
}

// Each file is asked about once: its size now tells created from changed. A folder a line no
// reader follows can reach adds its files that no followed line changes, as "may change".
ChangePreview PreviewChanges(const PreviewInput& input) {
    ChangePreview preview;
    const batchfile::BatchEffects& effects = *input.effects;
    std::unordered_set<std::string> deleted, seen;
    for (const std::string& path : effects.deleted)
        deleted.insert(base::FoldCase(path));
    preview.rows.reserve(effects.changed.size());
    for (const std::string& path : effects.changed) {
        const std::string folded = base::FoldCase(path);
        if (!seen.insert(folded).second)
            continue;
        PreviewRow row{base::PlaceInFolder(path, input.gameFolder).name, PreviewRow::Change::Changed, {},
                       input.sizeNow(path)};
        if (!row.size)
            row.change = PreviewRow::Change::Created;
        else if (deleted.count(folded))
            row.change = PreviewRow::Change::Deleted;
        preview.rows.push_back(std::move(row));
    }
    for (const batchfile::UnfollowedLine& line : effects.unfollowed) {
        preview.lines.push_back(LineOf(line, input.batchPath));
        if (line.folder.empty())
            continue;
        for (const base::TreeFile& file : input.filesIn(line.folder)) {
            const std::string path = base::Join(line.folder, file.name);
            if (seen.insert(base::FoldCase(path)).second)
                preview.rows.push_back({base::PlaceInFolder(path, input.gameFolder).name,
                                        PreviewRow::Change::MayChange, {}, file.size});
        }
    }
    const std::vector<std::string> mods =
        input.applied ? NameAppliedMods(preview.rows, *input.applied, input.batchPath) : std::vector<std::string>();
    // Each name folded once for the sort, which compares them many times.
    std::vector<std::pair<std::string, std::size_t>> order;
    order.reserve(preview.rows.size());
    for (std::size_t i = 0; i < preview.rows.size(); ++i)
        order.emplace_back(base::FoldCase(preview.rows[i].name), i);
    std::sort(order.begin(), order.end());
    std::vector<PreviewRow> sorted;
    sorted.reserve(order.size());
    for (const auto& [folded, i] : order)
        sorted.push_back(std::move(preview.rows[i]));
    preview.rows = std::move(sorted);
    std::string summary = Summary(preview.rows, mods, input);
    preview.summary = summary + ".";
    if (!effects.unfollowed.empty() && input.findSpace)
        preview.finishSummary = [summary = std::move(summary), findSpace = input.findSpace] {
            const FolderSpace space = findSpace();
            return summary + SpaceText(space.wholeBytes, space.freeBytes) + ".";
        };
    return preview;
}

PreviewInput PreviewOnDisk(const batchfile::BatchEffects& effects, const std::string& gameFolder,
                           const std::string& batchPath, const StoreRecords* applied, const std::string& storeFolder,
                           const DiskAnswers* asked) {
    PreviewInput input{&effects, gameFolder, batchPath, applied, {}, {}, {}};
    input.sizeNow = [asked](const std::string& path) -> std::optional<std::uint64_t> {
        if (std::optional<std::uint64_t> size; asked && asked->Asked(path, size))
            return size;
        if (const std::optional<base::TreeFile> state = base::FileState(path))
            return state->size;
        return std::nullopt;
    };
    input.filesIn = [](const std::string& folder) { return base::WalkFolder(folder); };
    if (effects.unfollowed.empty())
        return input;
    input.findSpace = [gameFolder, storeFolder] {
        FolderSpace space{0, std::nullopt};
        for (const base::TreeFile& file : base::WalkFolder(gameFolder))
            *space.wholeBytes += file.size;
        // The store's own folder is made only when a mod first runs.
        for (std::string folder = storeFolder; !folder.empty() && !space.freeBytes;) {
            space.freeBytes = base::FreeSpace(folder);
            const std::string parent = base::ParentFolder(folder);
            if (parent == folder)
                break;
            folder = parent;
        }
        return space;
    };
    return input;
}

}  // namespace manager
