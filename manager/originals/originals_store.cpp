// The store of original files: one folder per game folder outside it, holding an index of every
// apply (oldest first) and, per apply, the copies of the files as they were just before it.
#include "manager/originals/originals_store.h"

#include <algorithm>
#include <utility>

#include "batchfile/file_changes.h"
#include "manager/originals/store_disk.h"
#include "manager/originals/store_place.h"

namespace manager {
namespace {

namespace disk = store_disk;

constexpr char kIndexName[] = "index.txt";
constexpr char kElsewhere[] = "elsewhere";

const NameFold kFold = &disk::FoldCase;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

std::string FolderOf(const std::string& path) {
    std::string folder = batchfile::FolderPart(path);
    if (!folder.empty())
        folder.pop_back();
    return folder;
}

// A name taken apart: its root ("C:\", "\\server\share\", "\", "C:" or nothing for a
// relative name) and its parts, "." and ".." resolved.
struct SplitName {
    std::string root;
    std::vector<std::string> parts;
};

SplitName Split(const std::string& name) {
    SplitName split;
    std::size_t at = 0;
    if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) {
        split.root = "\\\\";
        at = 2;
        for (int part = 0; part < 2 && at < name.size(); ++part) {
            const std::size_t end = std::min(name.find_first_of("\\/", at), name.size());
            split.root += name.substr(at, end - at) + "\\";
            at = end + 1;
        }
    } else if (name.size() >= 2 && name[1] == ':') {
        split.root = name.substr(0, 2);
        at = 2;
    }
    if (at < name.size() && IsSeparator(name[at])) {
        split.root += "\\";
        ++at;
    }
    while (at < name.size()) {
        const std::size_t end = std::min(name.find_first_of("\\/", at), name.size());
        const std::string part = name.substr(at, end - at);
        if (part == "..") {
            if (!split.parts.empty())
                split.parts.pop_back();
        } else if (!part.empty() && part != ".") {
            split.parts.push_back(part);
        }
        at = end + 1;
    }
    return split;
}

std::string JoinParts(const std::vector<std::string>& parts, std::size_t from) {
    std::string joined;
    for (std::size_t i = from; i < parts.size(); ++i)
        joined += (i > from ? "\\" : "") + parts[i];
    return joined;
}

std::uint64_t KeptBytes(const std::vector<const ApplyEntry*>& entries) {
    std::uint64_t total = 0;
    for (const ApplyEntry* entry : entries)
        if (entry->before.kind == EntryKind::Kept)
            total += entry->before.size;
    return total;
}

disk::CopyProgress HookOf(ProgressView* progress) {
    return [progress](std::uint64_t bytes) { return !progress || progress->Advance(bytes); };
}

// Removes the empty folders below `folder`, deepest first, and `folder` itself when empty.
void RemoveEmptyTree(const std::string& folder) {
    for (const disk::Entry& entry : disk::List(folder))
        if (entry.folder)
            RemoveEmptyTree(Join(folder, entry.name));
    disk::RemoveEmptyFolder(folder);
}

std::optional<AfterState> StateNow(const std::string& path) {
    const auto file = disk::StatFile(path);
    if (file)
        return AfterState{true, file->size, file->time};
    if (disk::KindOf(path) == disk::Kind::Missing)
        return AfterState{};
    return std::nullopt;  // a folder or a device now: no state to compare with
}

bool SameState(const AfterState& a, const std::optional<AfterState>& b) {
    return b && a.exists == b->exists && (!a.exists || (a.size == b->size && a.time == b->time));
}

}  // namespace

// "C:x" names x in the current folder of drive C:, taken as the game folder on its drive.
GamePlace PlaceInGameFolder(const std::string& name, const std::string& gameFolder) {
    const SplitName game = Split(gameFolder);
    SplitName split = Split(name);
    const std::string gameDrive = game.root.substr(0, game.root.find('\\'));
    if (split.root.empty() || kFold(split.root) == kFold(gameDrive)) {
        split = Split(gameFolder + "\\" + name.substr(split.root.size()));
    } else if (split.root == "\\") {
        split.root = gameDrive + "\\";
    } else if (split.root.back() != '\\') {
        split.root += "\\";
    }
    bool inside = kFold(split.root) == kFold(game.root) && split.parts.size() >= game.parts.size();
    for (std::size_t i = 0; inside && i < game.parts.size(); ++i)
        inside = kFold(split.parts[i]) == kFold(game.parts[i]);
    if (inside)
        return {JoinParts(split.parts, game.parts.size()), true};
    return {split.root + JoinParts(split.parts, 0), false};
}

FolderNotes NoteFolder(const std::string& gameFolder) {
    FolderNotes notes;
    for (disk::TreeFile& file : disk::WalkTree(gameFolder)) {
        std::string key = kFold(file.name);
        notes.emplace(std::move(key), NotedFile{std::move(file.name), file.size, file.time});
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

// Files outside the game folder are kept under "elsewhere", by their full path.
std::string OriginalsStore::CopyPath(std::uint64_t number, const std::string& name) const {
    const std::string apply = Join(m_folder, std::to_string(number));
    if (PlaceOfName(name, m_gameFolder, kFold) != NamePlace::Outside)
        return Join(apply, name);
    std::string path;
    for (const char c : name)
        if (c != ':' && !(path.empty() && c == '\\'))
            path.push_back(c);
    return Join(Join(apply, kElsewhere), path);
}

std::uint64_t OriginalsStore::NextNumber() const {
    std::uint64_t next = 1;
    for (const ApplyRecord& apply : m_records.applies)
        next = std::max(next, apply.number + 1);
    return next;
}

std::string OriginalsStore::Load() {
    m_records = {m_gameFolder, {}};
    if (!m_rooted)
        return "No folder is known to keep the original files in";  // never one inside the game folder
    const std::string index = IndexPath();
    const std::string unreadable = "The list of kept original files \"" + index + "\" cannot be read";
    if (const auto text = disk::ReadWhole(index)) {
        DecodedRecords decoded = DecodeRecords(*text, m_gameFolder, kFold);
        if (!decoded.records)
            return unreadable;
        m_records = std::move(*decoded.records);
    } else if (disk::KindOf(index) != disk::Kind::Missing) {
        return unreadable;
    }
    return TakeOver();
}

// The previous version kept its copies inside the game folder, where a mod could reach them.
// They are moved whole into this store as its oldest apply, each copy hashed on the way, and
// the old folder removed; a copy the old index names but that is gone is noted as lost.
std::string OriginalsStore::TakeOver() {
    const std::string oldFolder = Join(m_gameFolder, kKeptFolder);
    const std::string oldIndex = Join(oldFolder, kIndexName);
    if (disk::KindOf(oldIndex) == disk::Kind::Missing)
        return {};
    const std::string unreadable = "The list of kept original files \"" + oldIndex + "\" cannot be read";
    const auto text = disk::ReadWhole(oldIndex);
    if (!text)
        return unreadable;
    const DecodedIndex decoded = DecodeIndex(*text, m_gameFolder, kFold);
    if (!decoded.index)
        return unreadable;
    ApplyRecord apply{NextNumber(), kKeptBefore, {}, 0, {}};
    std::vector<std::string> copies;
    std::vector<std::string> oldCopies;
    const auto undo = [&] {
        for (const std::string& copy : copies)
            RemoveCopy(copy);
        return "The original files kept in \"" + oldFolder + "\" could not be moved to \"" + m_folder + "\"";
    };
    for (const IndexEntry& old : decoded.index->entries) {
        const std::string first = old.name.substr(0, old.name.find('\\'));
        if (kFold(first) == kFold(kKeptFolder))
            continue;
        IndexEntry entry = old;
        if (old.kind == EntryKind::Kept) {
            const GamePlace place = PlaceInGameFolder(old.name, m_gameFolder);
            std::string oldCopy = Join(oldFolder, place.name);
            if (!place.inside) {
                std::string path;
                for (const char c : place.name)
                    if (c != ':' && !(path.empty() && c == '\\'))
                        path.push_back(c);
                oldCopy = Join(Join(oldFolder, kElsewhere), path);
            }
            if (disk::KindOf(oldCopy) != disk::Kind::File) {
                entry.kind = EntryKind::Lost;
            } else {
                const std::string copy = CopyPath(apply.number, old.name);
                const disk::HashedCopy hashed = disk::CopyBeside(oldCopy, copy, nullptr);
                if (!hashed.done)
                    return undo();
                if (!disk::MoveOver(hashed.temp, copy)) {
                    disk::Delete(hashed.temp);
                    return undo();
                }
                copies.push_back(copy);
                oldCopies.push_back(oldCopy);
                entry.size = hashed.size;
                entry.sha256 = hashed.sha256;
            }
        }
        apply.entries.push_back({entry, std::nullopt});
    }
    StoreRecords records = m_records;
    records.applies.insert(records.applies.begin(), std::move(apply));
    if (!WriteIndex(records))
        return undo();
    m_records = std::move(records);
    for (const std::string& oldCopy : oldCopies)
        disk::Delete(oldCopy);
    disk::Delete(oldIndex);
    RemoveEmptyTree(oldFolder);
    return {};
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
    for (const std::string& given : names) {
        const GamePlace place = PlaceInGameFolder(given, m_gameFolder);
        if (place.name.empty() || PlaceOfName(place.name, m_gameFolder, kFold) == NamePlace::Invalid ||
            !seen.insert(kFold(place.name)).second)
            continue;
        const std::string full = FullPath(place.name);
        if (kFold(full).rfind(storeFolded, 0) == 0)
            continue;  // the store's own files are never kept in it
        const disk::Kind kind = disk::KindOf(full);
        if (kind == disk::Kind::Missing) {
            apply.entries.push_back({{EntryKind::Absent, place.name, 0, {}}, std::nullopt});
        } else if (kind == disk::Kind::File) {
            toCopy.push_back(apply.entries.size());
            apply.entries.push_back({{EntryKind::Kept, place.name, 0, {}}, std::nullopt});
            if (const auto file = disk::StatFile(full))
                total += file->size;
        }
    }
    std::vector<std::string> copies;
    const auto undo = [&](const std::string& failed) {
        for (const std::string& copy : copies)
            RemoveCopy(copy);
        RemoveEmptyTree(Join(m_folder, std::to_string(apply.number)));
        result.failed = failed;
        return result;
    };
    if (progress)
        progress->Start("Keeping a copy of the files the mod changes...", total);
    for (const std::size_t at : toCopy) {
        IndexEntry& entry = apply.entries[at].before;
        const std::string copy = CopyPath(apply.number, entry.name);
        const disk::HashedCopy hashed = disk::CopyBeside(FullPath(entry.name), copy, HookOf(progress));
        if (!hashed.done || !disk::MoveOver(hashed.temp, copy)) {
            if (hashed.done)
                disk::Delete(hashed.temp);
            if (progress)
                progress->Finish();
            result.cancelled = hashed.stopped;
            return undo(entry.name);
        }
        copies.push_back(copy);
        entry.size = hashed.size;
        entry.sha256 = hashed.sha256;
    }
    if (progress)
        progress->Finish();
    StoreRecords records = m_records;
    records.applies.push_back(std::move(apply));
    if (!WriteIndex(records))
        return undo(IndexPath());
    result.number = records.applies.back().number;
    m_records = std::move(records);
    return result;
}

std::optional<std::vector<std::string>> OriginalsStore::Settle(std::uint64_t number, const FolderNotes& before,
                                                               const FolderNotes& after) {
    StoreRecords records = m_records;
    const auto found = std::find_if(records.applies.begin(), records.applies.end(),
                                    [&](const ApplyRecord& apply) { return apply.number == number; });
    if (found == records.applies.end())
        return std::vector<std::string>();  // put back meanwhile by another window
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
    if (!WriteIndex(records))
        return std::nullopt;
    m_records = std::move(records);
    std::vector<std::string> unrecoverable;
    for (const Original& original : FirstOriginals())
        if (original.apply->number == number && original.entry->before.kind == EntryKind::Lost)
            unrecoverable.push_back(original.entry->before.name);
    return unrecoverable;
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
// hash it was kept with before it replaces the target in one step.
OriginalsStore::Outcome OriginalsStore::PutBackOne(std::uint64_t number, const ApplyEntry& entry,
                                                   ProgressView* progress) const {
    const std::string full = FullPath(entry.before.name);
    switch (entry.before.kind) {
    case EntryKind::Lost:
        return Outcome::Lost;
    case EntryKind::Absent: {
        const disk::Kind kind = disk::KindOf(full);
        if (kind == disk::Kind::Missing)
            return Outcome::Done;
        return kind == disk::Kind::File && disk::Delete(full) ? Outcome::Done : Outcome::Failed;
    }
    case EntryKind::Kept:
        break;
    }
    const std::string copy = CopyPath(number, entry.before.name);
    if (disk::KindOf(copy) != disk::Kind::File)
        return Outcome::Missing;
    const disk::HashedCopy hashed = disk::CopyBeside(copy, full, HookOf(progress));
    if (!hashed.done)
        return hashed.stopped ? Outcome::Cancelled : Outcome::Failed;
    if (hashed.size != entry.before.size || hashed.sha256 != entry.before.sha256) {
        disk::Delete(hashed.temp);
        return Outcome::Damaged;
    }
    if (disk::KindOf(full) == disk::Kind::Folder || !disk::MoveOver(hashed.temp, full)) {
        disk::Delete(hashed.temp);
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
            report.cancelled ? Outcome::Cancelled : PutBackOne(original.apply->number, *original.entry, progress);
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
    for (const ApplyRecord& apply : m_records.applies) {
        ApplyRecord kept = apply;
        kept.entries.clear();
        for (const ApplyEntry& entry : apply.entries) {
            if (stay.count(&entry))
                kept.entries.push_back(entry);
            else if (entry.before.kind == EntryKind::Kept)
                dropped.push_back(CopyPath(apply.number, entry.before.name));
        }
        if (!kept.entries.empty())
            records.applies.push_back(std::move(kept));
    }
    report.indexWritten = WriteIndex(records);
    if (!report.indexWritten)
        return report;  // the old index still names every copy, so a later try finds them all
    for (const std::string& copy : dropped)
        RemoveCopy(copy);
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
                dropped.push_back(CopyPath(apply.number, name));
            continue;
        }
        const Outcome outcome = report.cancelled ? Outcome::Cancelled : PutBackOne(apply.number, entry, progress);
        switch (outcome) {
        case Outcome::Done:
            ++report.putBack;
            if (entry.before.kind == EntryKind::Kept)
                dropped.push_back(CopyPath(apply.number, name));
            break;
        case Outcome::Missing:
        case Outcome::Damaged:
            (outcome == Outcome::Missing ? report.missing : report.damaged).push_back(name);
            // Restore can no more put this one back than Undo could, and says so.
            if (first)
                remaining.push_back({{EntryKind::Lost, name, 0, {}}, entry.after});
            if (outcome == Outcome::Damaged)
                dropped.push_back(CopyPath(apply.number, name));
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
    if (retry || (newest == 0 && !remaining.empty())) {
        records.applies[newest].entries = std::move(remaining);
    } else {
        // What is left holds the only first originals of its files: it joins the oldest apply,
        // where Restore still finds it, and the newest is forgotten.
        ApplyRecord& oldest = records.applies.front();
        for (ApplyEntry& entry : remaining) {
            if (entry.before.kind == EntryKind::Kept)
                moves.emplace_back(CopyPath(apply.number, entry.before.name),
                                   CopyPath(oldest.number, entry.before.name));
            oldest.entries.push_back(std::move(entry));
        }
        records.applies.pop_back();
    }
    for (const auto& [from, to] : moves) {
        if (!disk::MakeFolders(FolderOf(to)) || !disk::MoveOver(from, to)) {
            report.indexWritten = false;
            return report;
        }
    }
    report.indexWritten = WriteIndex(records);
    if (!report.indexWritten) {
        for (const auto& [from, to] : moves)
            disk::MoveOver(to, from);
        return report;
    }
    for (const std::string& copy : dropped)
        RemoveCopy(copy);
    m_records = std::move(records);
    RemoveEmptyTree(m_folder);
    return report;
}

// Written beside the index, flushed and moved over it; an empty store has no index at all.
bool OriginalsStore::WriteIndex(const StoreRecords& records) const {
    const std::string index = IndexPath();
    if (records.applies.empty())
        return disk::Delete(index) || disk::KindOf(index) == disk::Kind::Missing;
    const auto text = EncodeRecords(records, kFold);
    return text && disk::WriteDurably(index, *text);
}

// Removes a copy and every folder of the store it leaves empty, but never the store's own.
void OriginalsStore::RemoveCopy(const std::string& copy) const {
    disk::Delete(copy);
    for (std::string folder = FolderOf(copy); folder.size() > m_folder.size(); folder = FolderOf(folder))
        if (!disk::RemoveEmptyFolder(folder))
            break;
}

}  // namespace manager
