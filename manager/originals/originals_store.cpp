// The store of original files: one folder per game folder outside it, holding an index of every
// apply (oldest first) and, per apply, the copies of the files as they were just before it.
#include "manager/originals/originals_store.h"

#include <algorithm>
#include <utility>

#include "base/files.h"
#include "base/paths.h"
#include "manager/originals/store_place.h"

namespace manager {
namespace {

using base::Join;
using base::PathKind;
using base::WriteResult;

constexpr char kIndexName[] = "index.txt";
constexpr char kElsewhere[] = "elsewhere";

const NameFold kFold = &base::FoldCase;

// The folder a name is in, without its last separator.
std::string FolderOf(const std::string& path) {
    std::string folder = base::FolderPart(path);
    if (!folder.empty())
        folder.pop_back();
    return folder;
}

// Where a store's folder keeps the copy of a name: one inside the game folder below it, one
// outside under "elsewhere" by its full path, without the drive's colon.
std::string CopyIn(const std::string& folder, const std::string& name, bool inside) {
    if (inside)
        return Join(folder, name);
    std::string below;
    for (const char c : name)
        if (c != ':' && !(below.empty() && c == '\\'))
            below.push_back(c);
    return Join(Join(folder, kElsewhere), below);
}

std::uint64_t KeptBytes(const std::vector<const ApplyEntry*>& entries) {
    std::uint64_t total = 0;
    for (const ApplyEntry* entry : entries)
        if (entry->before.kind == EntryKind::Kept)
            total += entry->before.size;
    return total;
}

// The progress view told of each piece a copy writes; none without a view.
class CopyHook final : public base::CopyProgress {
public:
    explicit CopyHook(ProgressView* progress) : m_progress(progress) {}
    bool Advance(std::uint64_t bytes) override { return !m_progress || m_progress->Advance(bytes); }

private:
    ProgressView* m_progress;
};

// Moves a finished copy into its place and makes the move durable.
WriteResult PutInPlace(const std::string& temp, const std::string& target) {
    WriteResult moved = base::MoveOver(temp, target);
    if (moved)
        base::SyncFolderOf(target);
    return moved;
}

// Removes the empty folders below `folder`, deepest first, and `folder` itself when empty.
void RemoveEmptyTree(const std::string& folder) {
    for (const base::FolderEntry& entry : base::ListFolder(folder))
        if (entry.kind == PathKind::Folder)
            RemoveEmptyTree(Join(folder, entry.name));
    base::RemoveEmptyFolder(folder);
}

std::optional<AfterState> StateNow(const std::string& path) {
    const auto file = base::FileState(path);
    if (file)
        return AfterState{true, file->size, static_cast<std::int64_t>(file->lastWrite)};
    if (base::KindOf(path) == PathKind::Missing)
        return AfterState{};
    return std::nullopt;  // a folder or a device now: no state to compare with
}

bool SameState(const AfterState& a, const std::optional<AfterState>& b) {
    return b && a.exists == b->exists && (!a.exists || (a.size == b->size && a.time == b->time));
}

}  // namespace

// "C:x" names x in the current folder of drive C:, taken as the game folder on its drive.
GamePlace PlaceInGameFolder(const std::string& name, const std::string& gameFolder) {
    const base::SplitName game = base::Split(gameFolder);
    base::SplitName split = base::Split(name);
    const std::string gameDrive = game.root.substr(0, game.root.find('\\'));
    if (split.root.empty() || kFold(split.root) == kFold(gameDrive)) {
        split = base::Split(gameFolder + "\\" + name.substr(split.root.size()));
    } else if (split.root == "\\") {
        split.root = gameDrive + "\\";
    } else if (split.root.back() != '\\') {
        split.root += "\\";
    }
    bool inside = kFold(split.root) == kFold(game.root) && split.parts.size() >= game.parts.size();
    for (std::size_t i = 0; inside && i < game.parts.size(); ++i)
        inside = kFold(split.parts[i]) == kFold(game.parts[i]);
    if (inside)
        return {base::JoinParts(split.parts, game.parts.size()), true};
    return {split.root + base::JoinParts(split.parts, 0), false};
}

FolderNotes NoteFolder(const std::string& gameFolder) {
    FolderNotes notes;
    for (base::TreeFile& file : base::WalkFolder(gameFolder)) {
        std::string key = kFold(file.name);
        notes.emplace(std::move(key),
                      NotedFile{std::move(file.name), file.size, static_cast<std::int64_t>(file.lastWrite)});
    }
    return notes;
}

OriginalsStore::OriginalsStore(const std::string& storeRoot, std::string gameFolder)
    : m_gameFolder(std::move(gameFolder)),
      m_rooted(!storeRoot.empty()),
      m_folder(Join(storeRoot, StoreKey(m_gameFolder, kFold))) {
    m_records.gameFolder = m_gameFolder;
}

std::string OriginalsStore::IndexPath() const { return Join(m_folder, kIndexName); }

std::string OriginalsStore::FullPath(const std::string& name) const {
    return PlaceOfName(name, m_gameFolder, kFold) == NamePlace::Outside ? name : Join(m_gameFolder, name);
}

std::string OriginalsStore::CopyPath(const ApplyRecord& apply, const std::string& name) const {
    if (apply.readInPlace)
        return OldCopyPath(name);
    return CopyIn(Join(m_folder, std::to_string(apply.number)), name,
                  PlaceOfName(name, m_gameFolder, kFold) != NamePlace::Outside);
}

std::string OriginalsStore::OldFolder() const { return Join(m_gameFolder, kKeptFolder); }

// The previous version named files inside the game folder by full path or relative name.
std::string OriginalsStore::OldCopyPath(const std::string& name) const {
    const GamePlace place = PlaceInGameFolder(name, m_gameFolder);
    return CopyIn(OldFolder(), place.name, place.inside);
}

bool OriginalsStore::HasOldStore() const { return base::KindOf(Join(OldFolder(), kIndexName)) != PathKind::Missing; }

std::uint64_t OriginalsStore::NextNumber() const {
    std::uint64_t next = 1;
    for (const ApplyRecord& apply : m_records.applies)
        next = std::max(next, apply.number + 1);
    return next;
}

std::string OriginalsStore::Load(ProgressView* progress) {
    m_records = {m_gameFolder, {}};
    if (!m_rooted)
        return "No folder is known to keep the original files in";  // never one inside the game folder
    const std::string index = IndexPath();
    const std::string unreadable = "The list of kept original files \"" + index + "\" cannot be read";
    if (const auto text = base::ReadWholeFile(index)) {
        DecodedRecords decoded = DecodeRecords(*text, m_gameFolder, kFold);
        if (!decoded.records)
            return unreadable;
        m_records = std::move(*decoded.records);
    } else if (base::KindOf(index) != PathKind::Missing) {
        return unreadable;
    }
    return TakeOver(progress);
}

// The previous version kept its copies inside the game folder, where a mod could reach them.
// They are moved into this store as its oldest apply (on one volume each gets a second name
// here, else it is copied), hashed on the way, and the old folder is removed; a copy the old
// index names that is gone is noted as lost. When they cannot all be moved, or the player
// cancels, nothing is moved: the old store is read where it is, and moving is tried again
// at the next reading.
std::string OriginalsStore::TakeOver(ProgressView* progress) {
    if (!HasOldStore())
        return {};
    const std::string oldIndex = Join(OldFolder(), kIndexName);
    const std::string unreadable = "The list of kept original files \"" + oldIndex + "\" cannot be read";
    const auto text = base::ReadWholeFile(oldIndex);
    if (!text)
        return unreadable;
    const DecodedIndex decoded = DecodeOldIndex(*text, m_gameFolder, kFold);
    if (!decoded.index)
        return unreadable;
    ApplyRecord old{0, kKeptBefore, {}, 0, {}, true};
    std::uint64_t total = 0;
    for (const IndexEntry& entry : decoded.index->entries) {
        const std::string first = entry.name.substr(0, entry.name.find('\\'));
        if (kFold(first) == kFold(kKeptFolder))
            continue;
        old.entries.push_back({entry, std::nullopt});
        if (entry.kind != EntryKind::Kept)
            continue;
        if (const auto copy = base::FileState(OldCopyPath(entry.name)))
            total += copy->size;
        else
            old.entries.back().before.kind = EntryKind::Lost;
    }
    ApplyRecord apply = old;
    apply.number = NextNumber();
    apply.readInPlace = false;
    std::vector<std::string> copies;
    bool moved = true;
    if (progress)
        progress->Start("Moving the original files kept in the game folder out of the mods' reach...", total);
    CopyHook hook(progress);
    for (ApplyEntry& entry : apply.entries) {
        if (entry.before.kind != EntryKind::Kept)
            continue;
        const std::string copy = CopyPath(apply, entry.before.name);
        base::CopyBeside hashed;
        WriteResult taken = base::TakeBesideHashed(OldCopyPath(entry.before.name), copy, hashed, &hook);
        if (taken && !(taken = PutInPlace(hashed.temp, copy)))
            (void)base::RemoveFile(hashed.temp);
        if (!taken) {
            moved = false;
            break;
        }
        copies.push_back(copy);
        entry.before.size = hashed.size;
        entry.before.sha256 = hashed.sha256;
    }
    if (progress)
        progress->Finish();
    StoreRecords records = m_records;
    records.applies.insert(records.applies.begin(), std::move(apply));
    if (moved && WriteIndex(records)) {
        m_records = std::move(records);
        RemoveOldStore(old);
        return {};
    }
    for (const std::string& copy : copies)
        RemoveCopy(copy);
    m_records.applies.insert(m_records.applies.begin(), std::move(old));
    return {};
}

// Only the files the old index names, the index, and the folders left empty.
void OriginalsStore::RemoveOldStore(const ApplyRecord& old) const {
    for (const ApplyEntry& entry : old.entries)
        if (entry.before.kind == EntryKind::Kept)
            (void)base::RemoveFile(OldCopyPath(entry.before.name));
    (void)base::RemoveFile(Join(OldFolder(), kIndexName));
    RemoveEmptyTree(OldFolder());
}

OriginalsStore::KeepResult OriginalsStore::Keep(const std::string& mod, const std::string& batchPath,
                                                std::int64_t when, const std::vector<std::string>& names,
                                                ProgressView* progress) {
    KeepResult result;
    ApplyRecord apply{NextNumber(), mod, batchPath, when, {}};
    std::set<std::string> seen;
    std::vector<std::size_t> toCopy;
    std::uint64_t total = 0;
    const std::string storeFolded = kFold(Join(m_folder, ""));
    const bool inPlace = !m_records.applies.empty() && m_records.applies.front().readInPlace;
    const std::string oldFolded = kFold(Join(OldFolder(), ""));
    for (const std::string& given : names) {
        const GamePlace place = PlaceInGameFolder(given, m_gameFolder);
        if (place.name.empty() || PlaceOfName(place.name, m_gameFolder, kFold) == NamePlace::Invalid ||
            !seen.insert(kFold(place.name)).second)
            continue;
        const std::string full = FullPath(place.name);
        if (kFold(full).rfind(storeFolded, 0) == 0 || (inPlace && kFold(full).rfind(oldFolded, 0) == 0))
            continue;  // the store's own files are never kept in it
        const PathKind kind = base::KindOf(full);
        if (kind == PathKind::Missing) {
            apply.entries.push_back({{EntryKind::Absent, place.name, 0, {}}, std::nullopt});
        } else if (kind == PathKind::File) {
            toCopy.push_back(apply.entries.size());
            apply.entries.push_back({{EntryKind::Kept, place.name, 0, {}}, std::nullopt});
            if (const auto file = base::FileState(full))
                total += file->size;
        }
    }
    std::vector<std::string> copies;
    const auto undo = [&](WriteResult failed) {
        for (const std::string& copy : copies)
            RemoveCopy(copy);
        RemoveEmptyTree(Join(m_folder, std::to_string(apply.number)));
        result.written = std::move(failed);
        return result;
    };
    if (progress)
        progress->Start("Keeping a copy of the files the mod changes...", total);
    CopyHook hook(progress);
    for (const std::size_t at : toCopy) {
        IndexEntry& entry = apply.entries[at].before;
        const std::string copy = CopyPath(apply, entry.name);
        base::CopyBeside hashed;
        WriteResult copied = base::CopyBesideHashed(FullPath(entry.name), copy, hashed, &hook);
        if (copied && !(copied = PutInPlace(hashed.temp, copy)))
            (void)base::RemoveFile(hashed.temp);
        if (!copied) {
            if (progress)
                progress->Finish();
            copied.Error().file = entry.name;  // the file as the player knows it, not its copy
            return undo(std::move(copied));
        }
        copies.push_back(copy);
        entry.size = hashed.size;
        entry.sha256 = hashed.sha256;
    }
    if (progress)
        progress->Finish();
    StoreRecords records = m_records;
    records.applies.push_back(std::move(apply));
    if (WriteResult written = WriteIndex(records); !written)
        return undo(std::move(written));
    result.number = records.applies.back().number;
    m_records = std::move(records);
    return result;
}

OriginalsStore::SettleResult OriginalsStore::Settle(std::uint64_t number, const FolderNotes& before,
                                                   const FolderNotes& after) {
    SettleResult result;
    StoreRecords records = m_records;
    const auto found = std::find_if(records.applies.begin(), records.applies.end(),
                                    [&](const ApplyRecord& apply) { return apply.number == number; });
    if (found == records.applies.end())
        return result;  // put back meanwhile by another window
    ApplyRecord& apply = *found;
    std::set<std::string> held;
    for (const ApplyEntry& entry : apply.entries)
        held.insert(kFold(entry.before.name));
    const auto note = [&](const std::string& name, EntryKind kind) {
        if (PlaceOfName(name, m_gameFolder, kFold) == NamePlace::Inside && held.insert(kFold(name)).second)
            apply.entries.push_back({{kind, name, 0, {}}, std::nullopt});
    };
    for (const auto& [key, file] : after)
        if (!before.count(key))
            note(file.name, EntryKind::Absent);
    for (const auto& [key, file] : before) {
        const auto now = after.find(key);
        if (now == after.end() || now->second.size != file.size || now->second.time != file.time)
            note(file.name, EntryKind::Lost);
    }
    for (ApplyEntry& entry : apply.entries)
        entry.after = StateNow(FullPath(entry.before.name));
    result.index = WriteIndex(records);
    if (!result.index)
        return result;
    m_records = std::move(records);
    for (const Original& original : FirstOriginals())
        if (original.apply->number == number && original.entry->before.kind == EntryKind::Lost)
            result.unrecoverable.push_back(original.entry->before.name);
    return result;
}

std::vector<OriginalsStore::Original> OriginalsStore::FirstOriginals() const {
    std::vector<Original> originals;
    std::set<std::string> seen;
    for (const ApplyRecord& apply : m_records.applies)
        for (const ApplyEntry& entry : apply.entries)
            if (seen.insert(kFold(entry.before.name)).second)
                originals.push_back({&apply, &entry});
    return originals;
}

std::vector<std::string> OriginalsStore::ChangedSinceNewest() const {
    std::vector<std::string> changed;
    if (m_records.applies.empty())
        return changed;
    for (const ApplyEntry& entry : m_records.applies.back().entries)
        if (entry.after && !SameState(*entry.after, StateNow(FullPath(entry.before.name))))
            changed.push_back(entry.before.name);
    return changed;
}

bool OriginalsStore::OnlyFirstOriginal(std::size_t apply, const std::string& folded) const {
    for (std::size_t i = 0; i < apply; ++i)
        for (const ApplyEntry& entry : m_records.applies[i].entries)
            if (kFold(entry.before.name) == folded)
                return false;
    return true;
}

// A kept copy goes back through a new file beside the target, checked against the size and
// hash it was kept with before it replaces the target in one step. The copy is dropped once
// it is back, so on the game's volume the new file is the copy itself under a second name.
OriginalsStore::Outcome OriginalsStore::PutBackOne(const ApplyRecord& apply, const ApplyEntry& entry,
                                                   ProgressView* progress) const {
    const std::string full = FullPath(entry.before.name);
    switch (entry.before.kind) {
    case EntryKind::Lost:
        return Outcome::Lost;
    case EntryKind::Absent: {
        const PathKind kind = base::KindOf(full);
        if (kind == PathKind::Missing)
            return Outcome::Done;
        return kind == PathKind::File && base::RemoveFile(full) ? Outcome::Done : Outcome::Failed;
    }
    case EntryKind::Kept:
        break;
    }
    const std::string copy = CopyPath(apply, entry.before.name);
    if (base::KindOf(copy) != PathKind::File)
        return Outcome::Missing;
    CopyHook hook(progress);
    base::CopyBeside hashed;
    if (const WriteResult copied = base::TakeBesideHashed(copy, full, hashed, &hook); !copied)
        return copied.Error().reason == base::WriteError::Reason::Cancelled ? Outcome::Cancelled : Outcome::Failed;
    if (!apply.readInPlace && (hashed.size != entry.before.size || hashed.sha256 != entry.before.sha256)) {
        (void)base::RemoveFile(hashed.temp);
        return Outcome::Damaged;
    }
    if (base::KindOf(full) == PathKind::Folder || !PutInPlace(hashed.temp, full)) {
        (void)base::RemoveFile(hashed.temp);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

OriginalsStore::PutBackReport OriginalsStore::Restore(ProgressView* progress) {
    PutBackReport report;
    const std::vector<Original> originals = FirstOriginals();
    std::vector<const ApplyEntry*> entries;
    for (const Original& original : originals)
        entries.push_back(original.entry);
    if (progress)
        progress->Start("Putting back the original files...", KeptBytes(entries));
    std::set<const ApplyEntry*> stay;
    for (const Original& original : originals) {
        const std::string& name = original.entry->before.name;
        const Outcome outcome =
            report.cancelled ? Outcome::Cancelled : PutBackOne(*original.apply, *original.entry, progress);
        switch (outcome) {
        case Outcome::Done:
            ++report.putBack;
            break;
        case Outcome::Missing:
            report.missing.push_back(name);
            break;
        case Outcome::Damaged:
            report.damaged.push_back(name);
            break;
        case Outcome::Lost:
            report.lost.push_back(name);
            break;
        case Outcome::Failed:
            report.failed.push_back(name);
            stay.insert(original.entry);
            break;
        case Outcome::Cancelled:
            report.cancelled = true;
            stay.insert(original.entry);
            break;
        }
    }
    if (progress)
        progress->Finish();
    StoreRecords records{m_gameFolder, {}};
    std::vector<std::string> dropped;
    const ApplyRecord* oldStoreGoes = nullptr;
    for (const ApplyRecord& apply : m_records.applies) {
        ApplyRecord kept = apply;
        kept.entries.clear();
        std::vector<std::string> copies;
        for (const ApplyEntry& entry : apply.entries) {
            if (stay.count(&entry))
                kept.entries.push_back(entry);
            else if (entry.before.kind == EntryKind::Kept)
                copies.push_back(CopyPath(apply, entry.before.name));
        }
        if (apply.readInPlace) {
            // Its index cannot be rewritten: it goes once nothing in it is left to try again.
            if (kept.entries.empty())
                oldStoreGoes = &apply;
            else
                kept = apply;
        } else {
            dropped.insert(dropped.end(), copies.begin(), copies.end());
        }
        if (!kept.entries.empty())
            records.applies.push_back(std::move(kept));
    }
    report.index = WriteIndex(records);
    if (!report.index)
        return report;  // the old index still names every copy, so a later try finds them all
    for (const std::string& copy : dropped)
        RemoveCopy(copy);
    if (oldStoreGoes)
        RemoveOldStore(*oldStoreGoes);
    m_records = std::move(records);
    RemoveEmptyTree(m_folder);
    return report;
}

OriginalsStore::PutBackReport OriginalsStore::UndoNewest(const std::set<std::string>& leave, ProgressView* progress) {
    PutBackReport report;
    if (m_records.applies.empty())
        return report;
    const std::size_t newest = m_records.applies.size() - 1;
    const ApplyRecord& apply = m_records.applies[newest];
    std::vector<const ApplyEntry*> work;
    for (const ApplyEntry& entry : apply.entries)
        if (!leave.count(kFold(entry.before.name)))
            work.push_back(&entry);
    if (progress)
        progress->Start("Putting back the files as they were before \"" + apply.mod + "\"...", KeptBytes(work));
    std::vector<ApplyEntry> remaining;
    std::vector<std::string> dropped;
    bool retry = false;
    for (const ApplyEntry& entry : apply.entries) {
        const std::string& name = entry.before.name;
        const bool first = OnlyFirstOriginal(newest, kFold(name));
        if (leave.count(kFold(name))) {
            if (first)
                remaining.push_back(entry);
            else if (entry.before.kind == EntryKind::Kept)
                dropped.push_back(CopyPath(apply, name));
            continue;
        }
        const Outcome outcome = report.cancelled ? Outcome::Cancelled : PutBackOne(apply, entry, progress);
        switch (outcome) {
        case Outcome::Done:
            ++report.putBack;
            if (entry.before.kind == EntryKind::Kept)
                dropped.push_back(CopyPath(apply, name));
            break;
        case Outcome::Missing:
        case Outcome::Damaged:
            (outcome == Outcome::Missing ? report.missing : report.damaged).push_back(name);
            // Restore can no more put this one back than Undo could, and says so.
            if (first)
                remaining.push_back({{EntryKind::Lost, name, 0, {}}, entry.after});
            if (outcome == Outcome::Damaged)
                dropped.push_back(CopyPath(apply, name));
            break;
        case Outcome::Lost:
            report.lost.push_back(name);
            if (first)
                remaining.push_back(entry);
            break;
        case Outcome::Failed:
        case Outcome::Cancelled:
            if (outcome == Outcome::Failed)
                report.failed.push_back(name);
            else
                report.cancelled = true;
            remaining.push_back(entry);
            retry = true;
            break;
        }
    }
    if (progress)
        progress->Finish();

    StoreRecords records = m_records;
    std::vector<std::pair<std::string, std::string>> moves;
    const std::size_t oldestStored = m_records.applies.front().readInPlace ? 1 : 0;
    bool oldStoreGoes = false;
    if (apply.readInPlace) {
        // Its index cannot be rewritten: it goes once nothing in it is left to try again.
        dropped.clear();
        oldStoreGoes = !retry;
        if (oldStoreGoes)
            records.applies.pop_back();
    } else if (retry || (newest == oldestStored && !remaining.empty())) {
        records.applies[newest].entries = std::move(remaining);
    } else {
        // What is left holds the only first originals of its files: it joins the oldest apply
        // in this store, where Restore still finds it, and the newest is forgotten.
        ApplyRecord& oldest = records.applies[oldestStored];
        for (ApplyEntry& entry : remaining) {
            if (entry.before.kind == EntryKind::Kept)
                moves.emplace_back(CopyPath(apply, entry.before.name), CopyPath(oldest, entry.before.name));
            oldest.entries.push_back(std::move(entry));
        }
        records.applies.pop_back();
    }
    for (const auto& [from, to] : moves) {
        WriteResult moved = base::MakeFolders(FolderOf(to));
        if (moved)
            moved = PutInPlace(from, to);
        if (!moved) {
            report.index = std::move(moved);
            return report;
        }
    }
    report.index = WriteIndex(records);
    if (!report.index) {
        for (const auto& [from, to] : moves)
            (void)PutInPlace(to, from);
        return report;
    }
    for (const std::string& copy : dropped)
        RemoveCopy(copy);
    if (oldStoreGoes)
        RemoveOldStore(apply);
    m_records = std::move(records);
    RemoveEmptyTree(m_folder);
    return report;
}

// Written beside the index, flushed and moved over it; an empty store has no index at all.
WriteResult OriginalsStore::WriteIndex(const StoreRecords& records) const {
    const std::string index = IndexPath();
    StoreRecords stored{records.gameFolder, {}};
    for (const ApplyRecord& apply : records.applies)
        if (!apply.readInPlace)
            stored.applies.push_back(apply);
    if (stored.applies.empty())
        return base::RemoveFile(index);
    const auto text = EncodeRecords(stored, kFold);
    if (!text)
        return base::WriteError{index, base::WriteError::Reason::Other};
    WriteResult written = base::MakeFolders(m_folder);
    if (written)
        written = base::WriteFileDurably(index, *text);
    if (!written)
        written.Error().file = index;
    return written;
}

// Removes a copy and every folder of the store it leaves empty, but never the store's own.
void OriginalsStore::RemoveCopy(const std::string& copy) const {
    (void)base::RemoveFile(copy);
    for (std::string folder = FolderOf(copy); folder.size() > m_folder.size(); folder = FolderOf(folder))
        if (!base::RemoveEmptyFolder(folder))
            break;
}

}  // namespace manager
