// The store of original files: one folder per game folder outside it, holding an index of every
// apply (oldest first) and, per apply, the copies of the files as they were just before it.
#include "manager/originals/originals_store.h"

#include <algorithm>
#include <utility>

#include "base/files.h"
#include "base/paths.h"
#include "base/test_hook.h"
#include "manager/originals/index_reader.h"
#include "manager/originals/store_place.h"

namespace manager {
namespace {

using base::Join;
using base::PathKind;
using base::WriteResult;

constexpr char kIndexName[] = "index.txt";
constexpr char kElsewhere[] = "elsewhere";

const NameFold kFold = &base::FoldCase;

// Where a store's folder keeps the copy of a name: one inside the game folder below it, one
// outside under "elsewhere" by its full path, without the drive's colon.
std::string CopyIn(const std::string& folder, const std::string& name, bool inside) {
    return inside ? Join(folder, name) : Join(Join(folder, kElsewhere), base::RootAsFolder(name));
}

// The progress view told of each piece a copy writes; none without a view. It remembers
// whether the player cancelled, which a failed copy does not say by itself. A piece written
// passes the test point `point` (none when null), where a test kills the process mid-copy.
class CopyHook final : public base::CopyProgress {
public:
    explicit CopyHook(ProgressView* progress, const char* point = nullptr) : m_progress(progress), m_point(point) {}
    bool Advance(std::uint64_t bytes) override {
        if (m_point)
            base::TestPoint(m_point);
        m_cancelled = m_cancelled || (m_progress && !m_progress->Advance(bytes));
        return !m_cancelled;
    }
    bool Cancelled() const { return m_cancelled; }

private:
    ProgressView* m_progress;
    const char* m_point;
    bool m_cancelled = false;
};

// Moves a finished copy into its place and makes the move durable.
WriteResult PutInPlace(const std::string& temp, const std::string& target) {
    WriteResult moved = base::MoveOver(temp, target);
    if (moved)
        base::SyncFolderOf(target);
    return moved;
}

// Copies `from` beside `to`, checks nothing, and moves it over `to`; `made` tells the copy.
WriteResult CopyIntoPlace(const std::string& from, const std::string& to, bool take, base::CopyBeside& made,
                          CopyHook& hook) {
    WriteResult copied = take ? base::TakeBesideHashed(from, to, made, &hook)
                              : base::CopyBesideHashed(from, to, made, &hook);
    if (copied && !(copied = PutInPlace(made.temp, to)))
        (void)base::RemoveFile(made.temp);
    return copied;
}

// Removes the empty folders below `folder`, deepest first, and `folder` itself when empty.
void RemoveEmptyTree(const std::string& folder) {
    for (const base::FolderEntry& entry : base::ListFolder(folder))
        if (entry.kind == PathKind::Folder)
            RemoveEmptyTree(Join(folder, entry.name));
    base::RemoveEmptyFolder(folder);
}

void StartProgress(ProgressView* progress, const std::string& text, std::uint64_t total) {
    if (progress)
        progress->Start(text, total);
}

void FinishProgress(ProgressView* progress) {
    if (progress)
        progress->Finish();
}

using Refusal = OriginalsStore::Refusal;

Refusal RefusalOf(base::WriteError::Reason reason) {
    switch (reason) {
    case base::WriteError::Reason::AccessDenied:
        return Refusal::AccessDenied;
    case base::WriteError::Reason::DiskFull:
        return Refusal::DiskFull;
    case base::WriteError::Reason::InUse:
        return Refusal::InUse;
    case base::WriteError::Reason::Other:
        break;
    }
    return Refusal::Other;
}

// Replaces or deletes the file `full` through `step`, clearing its read-only mark when that
// refuses it; false, with `why`, when it stays.
template <class Step>
bool ThroughReadOnly(const std::string& full, Step step, Refusal& why) {
    WriteResult done = step();
    if (done)
        return true;
    const std::optional<base::FileAttributes> attributes = base::AttributesOf(full);
    if (attributes && attributes->readOnly) {
        if (!base::MakeWritable(full)) {
            why = Refusal::ReadOnly;
            return false;
        }
        if ((done = step()))
            return true;
    }
    why = RefusalOf(done.Error().reason);
    return false;
}

}  // namespace

FolderNotes NoteFolder(const std::string& gameFolder) {
    FolderNotes notes;
    for (base::TreeFile& file : base::WalkFolder(gameFolder)) {
        std::string key = kFold(file.name);
        notes.emplace(std::move(key),
                      NotedFile{std::move(file.name), file.size, static_cast<std::int64_t>(file.lastWrite)});
    }
    return notes;
}

namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Whether `name` is a temp file the file layer makes beside `stem` ("" for any stem):
// "<stem>.<process>-<n>.tmp".
bool IsTempName(const std::string& name, const std::string& stem) {
    constexpr char kTmp[] = ".tmp";
    const std::size_t tail = sizeof(kTmp) - 1;
    if (name.size() <= tail || name.compare(name.size() - tail, tail, kTmp) != 0)
        return false;
    const std::string rest = name.substr(0, name.size() - tail);
    const std::size_t dot = rest.rfind('.');
    const std::size_t dash = rest.rfind('-');
    if (dot == std::string::npos || dash == std::string::npos || dash < dot)
        return false;
    if (!AllDigits(rest.substr(dot + 1, dash - dot - 1)) || !AllDigits(rest.substr(dash + 1)))
        return false;
    return stem.empty() ? dot > 0 : kFold(rest.substr(0, dot)) == kFold(stem);
}

}  // namespace

std::vector<std::string> ChangedFiles(const FolderNotes& before, const FolderNotes& after) {
    std::vector<std::string> changed;
    for (const auto& [key, file] : before) {
        const auto now = after.find(key);
        if (now == after.end() || now->second.size != file.size || now->second.time != file.time)
            changed.push_back(file.name);
    }
    for (const auto& [key, file] : after)
        if (!before.count(key))
            changed.push_back(file.name);
    return changed;
}

OriginalsStore::OriginalsStore(const std::string& storeRoot, std::string gameFolder)
    : m_gameFolder(std::move(gameFolder)),
      m_rooted(!storeRoot.empty()),
      m_folder(Join(storeRoot, StoreKey(m_gameFolder, kFold))) {
    m_records.gameFolder = m_gameFolder;
}

std::string OriginalsStore::IndexPath() const { return Join(m_folder, kIndexName); }

std::optional<AfterState> StateNow(const std::string& path) {
    PathKind kind = PathKind::Missing;
    const auto file = base::FileState(path, &kind);
    if (file)
        return AfterState{true, file->size, static_cast<std::int64_t>(file->lastWrite)};
    if (kind == PathKind::Missing)
        return AfterState{};
    return std::nullopt;  // a folder or a device now: no state to compare with
}

std::string FullPathIn(const std::string& gameFolder, const std::string& name) {
    return PlaceOfName(name, gameFolder, kFold) == NamePlace::Outside ? name : Join(gameFolder, name);
}

std::string OriginalsStore::FullPath(const std::string& name) const { return FullPathIn(m_gameFolder, name); }

std::string OriginalsStore::CopyPath(const ApplyRecord& apply, const std::string& name) const {
    if (apply.readInPlace)
        return OldCopyPath(name);
    return CopyIn(Join(m_folder, std::to_string(apply.number)), name,
                  PlaceOfName(name, m_gameFolder, kFold) != NamePlace::Outside);
}

std::string OriginalsStore::OldFolder() const { return Join(m_gameFolder, kKeptFolder); }

// The previous version named files inside the game folder by full path or relative name.
std::string OriginalsStore::OldCopyPath(const std::string& name) const {
    const base::FolderPlace place = base::PlaceInFolder(name, m_gameFolder);
    return CopyIn(OldFolder(), place.name, place.inside);
}

// Once this game folder has a store of its own, whatever the game folder holds is the game's:
// a folder of that name a mod writes later is never taken for kept originals.
bool OriginalsStore::HasOldStore() const {
    return base::KindOf(m_folder) == PathKind::Missing &&
           base::KindOf(Join(OldFolder(), kIndexName)) != PathKind::Missing;
}

std::uint64_t OriginalsStore::NextNumber() const {
    std::uint64_t next = 1;
    for (const ApplyRecord& apply : m_records.applies)
        next = std::max(next, apply.number + 1);
    return next;
}

std::optional<StoreError> OriginalsStore::Load(ProgressView* progress) {
    m_records = {m_gameFolder, {}};
    m_unended.reset();
    if (!m_rooted)
        return StoreError{StoreError::What::NoRoot};
    AdoptPreviousFolder();
    const std::string index = IndexPath();
    if (const auto text = base::ReadWholeFile(index)) {
        // The store's own formats; the previous version never kept an index here.
        DecodedRecords decoded = ReadIndex(*text, m_gameFolder, kFold);
        if (decoded.records && decoded.version == kOldIndexVersion)
            decoded = {std::nullopt, IndexProblem::UnknownFormat, 1, decoded.version};
        if (!decoded.records)
            return StoreError{StoreError::What::Unreadable, index, base::WriteError::Reason::Other, decoded.problem,
                              decoded.line};
        m_records = std::move(*decoded.records);
    } else if (base::KindOf(index) != PathKind::Missing) {
        return StoreError{StoreError::What::Unreadable, index};
    }
    std::optional<StoreError> failed = TakeOver(progress);
    if (!failed)
        SettleUnendedRun();
    return failed;
}

// Before the kit read names as UTF-8, a game folder whose name is not ASCII had its store under
// a key made from the name's ANSI bytes: that store becomes this folder's, moved to today's key,
// or read where it is when it cannot be moved.
void OriginalsStore::AdoptPreviousFolder() {
    if (base::KindOf(m_folder) != PathKind::Missing)
        return;
    const std::optional<std::string> key = PreviousStoreKey(m_gameFolder);
    const std::string previous = key ? Join(base::ParentFolder(m_folder), *key) : std::string();
    if (!key || base::KindOf(previous) != PathKind::Folder)
        return;
    if (!base::MoveOver(previous, m_folder))
        m_folder = previous;
}

// The old store as one apply read in place; a copy its index names that is gone is lost.
std::optional<ApplyRecord> OriginalsStore::ReadOldStore() const {
    const auto text = base::ReadWholeFile(Join(OldFolder(), kIndexName));
    DecodedRecords decoded = text ? ReadIndex(*text, m_gameFolder, kFold) : DecodedRecords{};
    if (!decoded.records || decoded.version != kOldIndexVersion)
        return std::nullopt;
    ApplyRecord old = std::move(decoded.records->applies.front());
    old.entries.erase(std::remove_if(old.entries.begin(), old.entries.end(),
                                     [](const ApplyEntry& entry) {
                                         const std::string& name = entry.before.name;
                                         return kFold(name.substr(0, name.find('\\'))) == kFold(kKeptFolder);
                                     }),
                      old.entries.end());
    for (ApplyEntry& entry : old.entries)
        if (entry.before.kind == EntryKind::Kept && !base::FileState(OldCopyPath(entry.before.name)))
            entry.before.kind = EntryKind::Lost;
    return old;
}

// Moves the old store's copies into this store's folder for `apply`, hashing them on the way;
// false, with `copies` naming those moved, when one could not be moved or the player cancelled.
bool OriginalsStore::MoveOldCopies(ApplyRecord& apply, std::vector<std::string>& copies,
                                   ProgressView* progress) const {
    std::uint64_t total = 0;
    for (const ApplyEntry& entry : apply.entries)
        if (entry.before.kind == EntryKind::Kept)
            if (const auto copy = base::FileState(OldCopyPath(entry.before.name)))
                total += copy->size;
    StartProgress(progress, "Moving the original files kept in the game folder out of the mods' reach...", total);
    CopyHook hook(progress);
    bool moved = true;
    for (ApplyEntry& entry : apply.entries) {
        if (entry.before.kind != EntryKind::Kept)
            continue;
        const std::string copy = CopyPath(apply, entry.before.name);
        base::CopyBeside hashed;
        if (!CopyIntoPlace(OldCopyPath(entry.before.name), copy, true, hashed, hook)) {
            moved = false;
            break;
        }
        copies.push_back(copy);
        entry.before.size = hashed.size;
        entry.before.sha256 = hashed.sha256;
    }
    FinishProgress(progress);
    return moved;
}

// The previous version kept its copies inside the game folder, where a mod could reach them.
// They are moved into this store as its oldest apply (on one volume each gets a second name
// here, else it is copied), hashed on the way, and the old folder is removed. When they cannot
// all be moved, or the player cancels, nothing is moved: the old store is read where it is,
// and moving is tried again at the next reading.
std::optional<StoreError> OriginalsStore::TakeOver(ProgressView* progress) {
    if (!HasOldStore())
        return std::nullopt;
    const std::optional<ApplyRecord> old = ReadOldStore();
    if (!old)
        return StoreError{StoreError::What::Unreadable, Join(OldFolder(), kIndexName)};
    ApplyRecord apply = *old;
    apply.number = NextNumber();
    apply.readInPlace = false;
    std::vector<std::string> copies;
    const bool moved = MoveOldCopies(apply, copies, progress);
    StoreRecords records = m_records;
    records.applies.insert(records.applies.begin(), std::move(apply));
    if (moved && !WriteIndex(records)) {
        m_records = std::move(records);
        RemoveOldStore(*old);
        return std::nullopt;
    }
    for (const std::string& copy : copies)
        RemoveCopy(copy);
    RemoveEmptyTree(m_folder);  // still no store of its own, so the next reading tries again
    m_records.applies.insert(m_records.applies.begin(), *old);
    return std::nullopt;
}

namespace {

// The game folder an index names on its third line, read only as far as that.
std::optional<std::string> NamedGameFolder(const std::string& text) {
    const std::vector<std::string> lines = SplitAt(text, '\n');
    if (lines.size() < 4 || !StartsWith(lines[2], "game\t") || lines[2].back() != '\r')
        return std::nullopt;
    return lines[2].substr(5, lines[2].size() - 6);
}

}  // namespace

std::optional<OriginalsStore::MovedStore> OriginalsStore::FindMovedStore() const {
    const std::string key = StoreKey(m_gameFolder, kFold);
    const std::string prefix = key.substr(0, key.rfind('-') + 1);
    const std::string root = base::ParentFolder(m_folder);
    for (const base::FolderEntry& entry : base::ListFolder(root)) {
        if (entry.kind != PathKind::Folder || kFold(entry.name) == kFold(key) || entry.name.rfind(prefix, 0) != 0 ||
            entry.name.find(' ') != std::string::npos)
            continue;
        const std::string folder = Join(root, entry.name);
        const auto text = base::ReadWholeFile(Join(folder, kIndexName));
        const auto named = text ? NamedGameFolder(*text) : std::nullopt;
        if (!named || kFold(base::BaseName(*named)) != kFold(base::BaseName(m_gameFolder)) ||
            base::KindOf(*named) != PathKind::Missing || !ReadIndex(*text, *named, kFold).records)
            continue;
        return MovedStore{folder, *named};
    }
    return std::nullopt;
}

std::optional<StoreError> OriginalsStore::AdoptMovedStore(const MovedStore& moved) {
    const std::string index = Join(moved.folder, kIndexName);
    const auto text = base::ReadWholeFile(index);
    DecodedRecords decoded = text ? ReadIndex(*text, moved.gameFolder, kFold) : DecodedRecords{};
    if (!decoded.records || decoded.version == kOldIndexVersion)
        return StoreError{StoreError::What::Unreadable, index};
    StoreRecords records = std::move(*decoded.records);
    records.gameFolder = m_gameFolder;
    if (!EncodeRecords(records, kFold))
        return StoreError{StoreError::What::Unreadable, index};
    RemoveEmptyTree(m_folder);
    if (const WriteResult renamed = base::MoveOver(moved.folder, m_folder); !renamed)
        return NotWritten(renamed.Error());
    if (std::optional<StoreError> failed = WriteIndex(records)) {
        (void)base::MoveOver(m_folder, moved.folder);
        return failed;
    }
    m_records = std::move(records);
    return std::nullopt;
}

void OriginalsStore::RemoveTempFiles() const {
    for (const base::TreeFile& file : base::WalkFolder(m_folder))
        if (IsTempName(base::BaseName(file.name), ""))
            (void)base::RemoveFile(Join(m_folder, file.name));
    std::set<std::string> seen;
    for (const ApplyRecord& apply : m_records.applies)
        for (const ApplyEntry& entry : apply.entries) {
            const std::string full = FullPath(entry.before.name);
            if (!seen.insert(kFold(full)).second)
                continue;
            const std::string folder = base::ParentFolder(full);
            for (const base::FolderEntry& found : base::ListFolder(folder))
                if (found.kind == PathKind::File && IsTempName(found.name, base::BaseName(full)))
                    (void)base::RemoveFile(Join(folder, found.name));
        }
}

std::string OriginalsStore::AsideName(const std::string& index, const std::string& stamp) const {
    return base::ParentFolder(index) + " damaged " + stamp;
}

base::WriteResult OriginalsStore::SetAside(const std::string& index, const std::string& aside) const {
    const std::string folder = base::ParentFolder(index);
    if (kFold(folder) != kFold(m_folder) && kFold(folder) != kFold(OldFolder()))
        return base::WriteError{index, base::WriteError::Reason::Other};
    return base::MoveOver(folder, aside);
}

// Only the files the old index names, the index, and the folders left empty.
void OriginalsStore::RemoveOldStore(const ApplyRecord& old) const {
    for (const ApplyEntry& entry : old.entries)
        if (entry.before.kind == EntryKind::Kept)
            (void)base::RemoveFile(OldCopyPath(entry.before.name));
    (void)base::RemoveFile(Join(OldFolder(), kIndexName));
    RemoveEmptyTree(OldFolder());
}

// Each named file once, under any of its names: a file there is to be kept (its entry's index
// in `toCopy`), a missing one noted as absent. The store's own files are never kept in it.
void OriginalsStore::NoteKeep(const std::vector<std::string>& names, ApplyRecord& apply,
                              std::vector<std::size_t>& toCopy) const {
    std::set<std::string> seen;
    const base::SplitName store = base::Split(m_folder);
    const bool inPlace = !m_records.applies.empty() && m_records.applies.front().readInPlace;
    const base::SplitName old = base::Split(OldFolder());
    for (const std::string& given : names) {
        const base::FolderPlace place = base::PlaceInFolder(given, m_gameFolder);
        if (place.name.empty() || PlaceOfName(place.name, m_gameFolder, kFold) == NamePlace::Invalid ||
            !seen.insert(kFold(place.name)).second)
            continue;
        const std::string full = FullPath(place.name);
        const base::SplitName split = base::Split(full);
        if (base::IsWithin(split, store, kFold) || (inPlace && base::IsWithin(split, old, kFold)))
            continue;
        const PathKind kind = base::KindOf(full);
        if (kind == PathKind::Missing) {
            apply.entries.push_back({{EntryKind::Absent, place.name, 0, {}}, std::nullopt});
        } else if (kind == PathKind::File) {
            toCopy.push_back(apply.entries.size());
            apply.entries.push_back({{EntryKind::Kept, place.name, 0, {}}, std::nullopt});
        }
    }
}

// Copies the files at `toCopy`, each checked by its hash as it passes; `copies` names those made.
std::optional<StoreError> OriginalsStore::CopyOriginals(ApplyRecord& apply, const std::vector<std::size_t>& toCopy,
                                                        std::vector<std::string>& copies,
                                                        ProgressView* progress) const {
    std::uint64_t total = 0;
    for (const std::size_t at : toCopy)
        if (const auto file = base::FileState(FullPath(apply.entries[at].before.name)))
            total += file->size;
    StartProgress(progress, "Keeping a copy of the files the mod changes...", total);
    CopyHook hook(progress, "keeping");
    std::optional<StoreError> failed;
    for (const std::size_t at : toCopy) {
        IndexEntry& entry = apply.entries[at].before;
        const std::string copy = CopyPath(apply, entry.name);
        apply.entries[at].attributes = base::AttributesOf(FullPath(entry.name)).value_or(base::FileAttributes{});
        base::CopyBeside hashed;
        if (const WriteResult copied = CopyIntoPlace(FullPath(entry.name), copy, false, hashed, hook); !copied) {
            // The file as the player knows it, not its copy.
            failed = hook.Cancelled() ? StoreError{StoreError::What::Cancelled, entry.name}
                                      : StoreError{StoreError::What::NotKept, entry.name, copied.Error().reason};
            break;
        }
        copies.push_back(copy);
        entry.size = hashed.size;
        entry.sha256 = hashed.sha256;
    }
    FinishProgress(progress);
    return failed;
}

OriginalsStore::KeepResult OriginalsStore::Keep(const std::string& mod, const std::string& batchPath,
                                                std::int64_t when, const std::vector<std::string>& names,
                                                ProgressView* progress) {
    ApplyRecord apply{NextNumber(), mod, batchPath, when, {}};
    std::vector<std::size_t> toCopy;
    NoteKeep(names, apply, toCopy);
    std::vector<std::string> copies;
    std::optional<StoreError> failed = CopyOriginals(apply, toCopy, copies, progress);
    StoreRecords records = m_records;
    records.applies.push_back(std::move(apply));
    if (!failed)
        failed = WriteIndex(records);
    if (failed) {
        for (const std::string& copy : copies)
            RemoveCopy(copy);
        RemoveEmptyTree(Join(m_folder, std::to_string(records.applies.back().number)));
        return {std::nullopt, std::move(failed)};
    }
    m_records = std::move(records);
    return {m_records.applies.back().number, std::nullopt};
}

OriginalsStore::SettleResult OriginalsStore::Settle(std::uint64_t number, const FolderNotes& before,
                                                   const FolderNotes& after) {
    SettleResult result;
    StoreRecords records = m_records;
    const auto found = std::find_if(records.applies.begin(), records.applies.end(),
                                    [&](const ApplyRecord& apply) { return apply.number == number; });
    if (found == records.applies.end()) {
        result.recorded = false;
        return result;
    }
    ApplyRecord& apply = *found;
    std::set<std::string> held;
    for (const ApplyEntry& entry : apply.entries)
        held.insert(kFold(entry.before.name));
    const auto note = [&](const std::string& name, EntryKind kind) {
        if (PlaceOfName(name, m_gameFolder, kFold) == NamePlace::Inside && held.insert(kFold(name)).second)
            apply.entries.push_back({{kind, name, 0, {}}, std::nullopt});
    };
    for (const std::string& name : ChangedFiles(before, after))
        note(name, before.count(kFold(name)) ? EntryKind::Lost : EntryKind::Absent);
    for (ApplyEntry& entry : apply.entries)
        entry.after = StateNow(FullPath(entry.before.name));
    result.index = WriteIndex(records);
    if (result.index)
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

std::vector<std::string> OriginalsStore::ChangedSince(std::optional<std::size_t> apply) const {
    std::vector<std::string> changed;
    const std::size_t index = apply.value_or(m_records.applies.size() - 1);
    if (index >= m_records.applies.size())
        return changed;
    for (const ApplyEntry& entry : m_records.applies[index].entries)
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
                                                   CopyProgress& progress, Refusal& why) const {
    const std::string full = FullPath(entry.before.name);
    switch (entry.before.kind) {
    case EntryKind::Lost:
        return Outcome::Lost;
    case EntryKind::Absent: {
        const PathKind kind = base::KindOf(full);
        if (kind == PathKind::Missing)
            return Outcome::Done;
        why = kind == PathKind::Folder ? Refusal::FolderInPlace : Refusal::Other;
        // A file the mod made and marked read-only is deleted all the same.
        return kind == PathKind::File && ThroughReadOnly(full, [&] { return base::RemoveFile(full); }, why)
                   ? Outcome::Done
                   : Outcome::Failed;
    }
    case EntryKind::Kept:
        break;
    }
    const std::string copy = CopyPath(apply, entry.before.name);
    if (base::KindOf(copy) != PathKind::File)
        return Outcome::Missing;
    // A folder a mod made in the file's place, with files in it that mods made (deleted
    // first), goes when nothing else is left in it.
    if (base::KindOf(full) == PathKind::Folder && ModsMadeInside(entry.before.name))
        RemoveEmptyTree(full);
    if (base::KindOf(full) == PathKind::Folder) {
        why = Refusal::FolderInPlace;
        return Outcome::Failed;
    }
    // A read-only original is put back as a copy of its own, never a second name of the kept
    // copy: the attribute would make the kept copy read-only too, and it could not be dropped.
    base::CopyBeside hashed;
    const WriteResult copied = entry.attributes.readOnly ? base::CopyBesideHashed(copy, full, hashed, &progress)
                                                  : base::TakeBesideHashed(copy, full, hashed, &progress);
    if (!copied) {
        why = RefusalOf(copied.Error().reason);
        return Outcome::Failed;
    }
    if (!apply.readInPlace && (hashed.size != entry.before.size || hashed.sha256 != entry.before.sha256)) {
        (void)base::RemoveFile(hashed.temp);
        return Outcome::Damaged;
    }
    if (!ThroughReadOnly(full, [&] { return PutInPlace(hashed.temp, full); }, why)) {
        (void)base::RemoveFile(hashed.temp);
        return Outcome::Failed;
    }
    (void)base::SetAttributes(full, entry.attributes);
    return Outcome::Done;
}

bool OriginalsStore::ModsMadeInside(const std::string& name) const {
    const base::SplitName folder = base::Split(name);
    for (const ApplyRecord& apply : m_records.applies)
        for (const ApplyEntry& entry : apply.entries) {
            const base::SplitName split = base::Split(entry.before.name);
            if (entry.before.kind == EntryKind::Absent && split.parts.size() > folder.parts.size() &&
                base::IsWithin(split, folder, kFold))
                return true;
        }
    return false;
}

std::vector<OriginalsStore::Outcome> OriginalsStore::PutBackAll(const std::vector<Original>& originals,
                                                                const std::set<std::string>& leave,
                                                                const std::string& text, ProgressView* progress,
                                                                PutBackReport& report) const {
    std::uint64_t total = 0;
    for (const Original& original : originals)
        if (original.entry->before.kind == EntryKind::Kept && !leave.count(kFold(original.entry->before.name)))
            total += original.entry->before.size;
    StartProgress(progress, text, total);
    CopyHook hook(progress, "putting back");
    std::vector<Outcome> outcomes(originals.size(), Outcome::Left);
    // Deletions first: a file a mod made where a folder was goes before that folder's files
    // come back, and a folder a mod made where a file was is emptied before the file returns.
    std::vector<std::size_t> order;
    for (const bool deleting : {true, false})
        for (std::size_t i = 0; i < originals.size(); ++i)
            if ((originals[i].entry->before.kind == EntryKind::Absent) == deleting)
                order.push_back(i);
    for (const std::size_t i : order) {
        const Original& original = originals[i];
        const std::string& name = original.entry->before.name;
        Outcome& outcome = outcomes[i];
        Refusal why = Refusal::Other;
        if (!leave.count(kFold(name)))
            outcome = hook.Cancelled() ? Outcome::Cancelled : PutBackOne(*original.apply, *original.entry, hook, why);
        if (outcome == Outcome::Failed && hook.Cancelled())
            outcome = Outcome::Cancelled;
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
            report.failed.push_back({name, why});
            break;
        case Outcome::Cancelled:
            report.cancelled = true;
            break;
        case Outcome::Left:
            break;
        }
    }
    FinishProgress(progress);
    return outcomes;
}

OriginalsStore::PutBackReport OriginalsStore::Restore(ProgressView* progress) {
    PutBackReport report;
    const std::vector<Original> originals = FirstOriginals();
    const std::vector<Outcome> outcomes =
        PutBackAll(originals, {}, "Putting back the original files...", progress, report);
    std::set<const ApplyEntry*> stay;
    for (std::size_t i = 0; i < originals.size(); ++i)
        if (outcomes[i] == Outcome::Failed || outcomes[i] == Outcome::Cancelled)
            stay.insert(originals[i].entry);
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
    // On failure the old index still names every copy, so a later try finds them all.
    report.index = Commit(std::move(records), {}, dropped, oldStoreGoes);
    return report;
}

OriginalsStore::PutBackReport OriginalsStore::TakeOut(std::size_t index, const std::set<std::string>& leave,
                                                     ProgressView* progress) {
    PutBackReport report;
    if (index >= m_records.applies.size())
        return report;
    const ApplyRecord& apply = m_records.applies[index];
    std::vector<Original> originals;
    for (const ApplyEntry& entry : apply.entries)
        originals.push_back({&apply, &entry});
    const std::vector<Outcome> outcomes = PutBackAll(
        originals, leave, "Putting back the files as they were before \"" + apply.mod + "\"...", progress, report);
    std::vector<std::string> dropped;
    Moves moves;
    bool oldStoreGoes = false;
    StoreRecords records = AfterUndo(index, outcomes, dropped, moves, oldStoreGoes);
    const ApplyRecord old = apply;
    report.index = Commit(std::move(records), moves, dropped, oldStoreGoes ? &old : nullptr);
    return report;
}

std::vector<ApplyEntry> OriginalsStore::LeftAfterUndo(std::size_t index, const std::vector<Outcome>& outcomes,
                                                      std::vector<std::string>& dropped, bool& retry) const {
    const ApplyRecord& apply = m_records.applies[index];
    std::vector<ApplyEntry> remaining;
    for (std::size_t i = 0; i < apply.entries.size(); ++i) {
        const ApplyEntry& entry = apply.entries[i];
        const bool first = OnlyFirstOriginal(index, kFold(entry.before.name));
        const bool kept = entry.before.kind == EntryKind::Kept;
        switch (outcomes[i]) {
        case Outcome::Left:
        case Outcome::Done:
            if (outcomes[i] == Outcome::Left && first)
                remaining.push_back(entry);
            else if (kept)
                dropped.push_back(CopyPath(apply, entry.before.name));
            break;
        case Outcome::Missing:
        case Outcome::Damaged:
            // Restore can no more put this one back than Undo could, and says so.
            if (first)
                remaining.push_back({{EntryKind::Lost, entry.before.name, 0, {}}, entry.after});
            if (outcomes[i] == Outcome::Damaged)
                dropped.push_back(CopyPath(apply, entry.before.name));
            break;
        case Outcome::Lost:
            if (first)
                remaining.push_back(entry);
            break;
        case Outcome::Failed:
        case Outcome::Cancelled:
            remaining.push_back(entry);
            retry = true;
            break;
        }
    }
    return remaining;
}

StoreRecords OriginalsStore::AfterUndo(std::size_t index, const std::vector<Outcome>& outcomes,
                                       std::vector<std::string>& dropped, Moves& moves, bool& oldStoreGoes) const {
    const ApplyRecord& apply = m_records.applies[index];
    bool retry = false;
    std::vector<ApplyEntry> remaining = LeftAfterUndo(index, outcomes, dropped, retry);
    StoreRecords records = m_records;
    const std::size_t oldestStored = m_records.applies.front().readInPlace ? 1 : 0;
    const bool putBackNone = std::none_of(outcomes.begin(), outcomes.end(), [](Outcome o) { return o == Outcome::Done; });
    if (!apply.readInPlace && index == oldestStored && !retry && putBackNone) {
        // The oldest apply put back nothing and has nothing to try again: what the player chose
        // to keep is forgotten with it, so that the next Undo is not offered the same apply.
        for (const ApplyEntry& entry : remaining)
            if (entry.before.kind == EntryKind::Kept)
                dropped.push_back(CopyPath(apply, entry.before.name));
        remaining.clear();
    }
    if (apply.readInPlace) {
        // Its index cannot be rewritten: it goes once nothing in it is left to try again.
        dropped.clear();
        oldStoreGoes = !retry;
        if (oldStoreGoes)
            records.applies.erase(records.applies.begin() + static_cast<std::ptrdiff_t>(index));
    } else if (retry || (index == oldestStored && !remaining.empty())) {
        records.applies[index].entries = std::move(remaining);
    } else {
        // What is left holds the only first originals of its files: it joins the oldest apply
        // in this store, where Restore still finds it, and this apply is forgotten.
        ApplyRecord& oldest = records.applies[oldestStored];
        for (ApplyEntry& entry : remaining) {
            if (entry.before.kind == EntryKind::Kept)
                moves.emplace_back(CopyPath(apply, entry.before.name), CopyPath(oldest, entry.before.name));
            oldest.entries.push_back(std::move(entry));
        }
        records.applies.erase(records.applies.begin() + static_cast<std::ptrdiff_t>(index));
    }
    return records;
}

std::optional<StoreError> OriginalsStore::Commit(StoreRecords records, const Moves& moves,
                                                 const std::vector<std::string>& dropped,
                                                 const ApplyRecord* oldStoreGoes) {
    for (const auto& [from, to] : moves) {
        WriteResult moved = base::MakeFolders(base::ParentFolder(to));
        if (moved)
            moved = PutInPlace(from, to);
        if (!moved)
            return NotWritten(moved.Error());
    }
    if (std::optional<StoreError> failed = WriteIndex(records)) {
        for (const auto& [from, to] : moves)
            (void)PutInPlace(to, from);
        return failed;
    }
    for (const std::string& copy : dropped)
        RemoveCopy(copy);
    if (oldStoreGoes)
        RemoveOldStore(*oldStoreGoes);
    m_records = std::move(records);
    // The store's folder stays, empty, as the mark that this game folder has a store.
    for (const base::FolderEntry& entry : base::ListFolder(m_folder))
        if (entry.kind == PathKind::Folder)
            RemoveEmptyTree(Join(m_folder, entry.name));
    return std::nullopt;
}

// Written beside the index, flushed and moved over it; an empty store has no index at all.
std::optional<StoreError> OriginalsStore::WriteIndex(const StoreRecords& records) const {
    const std::string index = IndexPath();
    StoreRecords stored{records.gameFolder, {}};
    for (const ApplyRecord& apply : records.applies)
        if (!apply.readInPlace)
            stored.applies.push_back(apply);
    WriteResult written;
    if (stored.applies.empty()) {
        written = base::RemoveFile(index);
    } else if (const auto text = EncodeRecords(stored, kFold)) {
        written = base::MakeFolders(m_folder);
        if (written)
            written = base::WriteFileDurably(index, *text);
    } else {
        written = base::WriteError{index, base::WriteError::Reason::Other};
    }
    if (written)
        return std::nullopt;
    return StoreError{StoreError::What::NotWritten, index, written.Error().reason};
}

// Removes a copy and every folder of the store it leaves empty, but never the store's own.
void OriginalsStore::RemoveCopy(const std::string& copy) const {
    (void)base::RemoveFile(copy);
    for (std::string folder = base::ParentFolder(copy); folder.size() > m_folder.size();
         folder = base::ParentFolder(folder))
        if (!base::RemoveEmptyFolder(folder))
            break;
}

}  // namespace manager
