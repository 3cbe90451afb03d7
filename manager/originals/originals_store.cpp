// The store of original files: one folder per game folder outside it, holding an index of every
// apply (oldest first) and, per apply, the copies of the files as they were just before it.
#include "manager/originals/originals_store.h"

#include <algorithm>
#include <utility>

#include "base/files.h"
#include "base/paths.h"
#include "base/sha256.h"
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
constexpr char kNoIndex[] = "none";

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
      m_keyFolder(Join(storeRoot, StoreKey(m_gameFolder, kFold))),
      m_folder(m_keyFolder),
      m_oldFolder(Join(m_gameFolder, kKeptFolder)),
      m_indexCheck(kNoIndex) {
    m_records.gameFolder = m_gameFolder;
}

std::string OriginalsStore::Generation() const {
    return m_oldCheck.empty() ? m_indexCheck : m_indexCheck + "+" + m_oldCheck;
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

// The previous version named files inside the game folder by full path or relative name.
std::string OriginalsStore::OldCopyPath(const std::string& name) const {
    const base::FolderPlace place = base::PlaceInFolder(name, m_gameFolder);
    return CopyIn(m_oldFolder, place.name, place.inside);
}

std::optional<StoreError> OriginalsStore::Load(ProgressView* progress) {
    std::optional<StoreError> failed = ReadStored(true);
    if (!failed)
        failed = TakeOver(progress);
    if (!failed)
        SettleUnendedRun();
    return failed;
}

std::optional<StoreError> OriginalsStore::Read() {
    if (std::optional<StoreError> failed = ReadStored(false))
        return failed;
    if (!m_hasOldStore)
        return std::nullopt;
    if (!m_oldStore)
        return StoreError{StoreError::What::Unreadable, Join(m_oldFolder, kIndexName)};
    m_records.applies.insert(m_records.applies.begin(), *m_oldStore);
    return std::nullopt;
}

std::optional<StoreError> OriginalsStore::ReadStored(bool adopt) {
    m_records = {m_gameFolder, {}};
    m_unended.reset();
    m_indexCheck = kNoIndex;
    m_folder = m_keyFolder;
    if (!m_rooted)
        return StoreError{StoreError::What::NoRoot};
    AdoptPreviousFolder(adopt);
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
        m_indexCheck = std::string(CheckOf(*text));
    } else if (base::KindOf(index) != PathKind::Missing) {
        return StoreError{StoreError::What::Unreadable, index};
    }
    ReadOldStore();
    return std::nullopt;
}

// Before the kit read names as UTF-8, a game folder whose name is not ASCII had its store under
// a key made from the name's ANSI bytes: that store becomes this folder's, moved to today's key,
// or read where it is when it cannot be moved (or is only looked at, `move` false).
void OriginalsStore::AdoptPreviousFolder(bool move) {
    if (base::KindOf(m_folder) != PathKind::Missing)
        return;
    const std::optional<std::string> key = PreviousStoreKey(m_gameFolder);
    const std::string previous = key ? Join(base::ParentFolder(m_folder), *key) : std::string();
    if (!key || base::KindOf(previous) != PathKind::Folder)
        return;
    if (!move || !base::MoveOver(previous, m_folder))
        m_folder = previous;
}

// Once this game folder has a store of its own, whatever the game folder holds is the game's:
// a folder of that name a mod writes later is never taken for kept originals. Else the old
// store is one apply read in place; a copy its index names that is gone is lost.
void OriginalsStore::ReadOldStore() {
    m_oldStore.reset();
    m_oldCheck.clear();
    const std::string index = Join(m_oldFolder, kIndexName);
    m_hasOldStore = base::KindOf(m_folder) == PathKind::Missing && base::KindOf(index) != PathKind::Missing;
    if (!m_hasOldStore)
        return;
    const auto text = base::ReadWholeFile(index);
    m_oldCheck = base::ToHex(base::Sha256Of(text.value_or(std::string())));
    DecodedRecords decoded = text ? ReadIndex(*text, m_gameFolder, kFold) : DecodedRecords{};
    if (!decoded.records || decoded.version != kOldIndexVersion)
        return;
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
    m_oldStore = std::move(old);
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
    if (!m_hasOldStore)
        return std::nullopt;
    if (!m_oldStore)
        return StoreError{StoreError::What::Unreadable, Join(m_oldFolder, kIndexName)};
    const ApplyRecord old = *m_oldStore;
    StoreRecords records = m_records;
    const std::optional<std::uint64_t> number = NextNumber(records);
    ApplyRecord apply = old;
    apply.number = number.value_or(0);
    apply.readInPlace = false;
    records.next = apply.number + 1;
    std::vector<std::string> copies;
    const bool moved = number && MoveOldCopies(apply, copies, progress);
    records.applies.insert(records.applies.begin(), std::move(apply));
    if (moved && !WriteIndex(records)) {
        m_records = std::move(records);
        RemoveOldStore(old);
        return std::nullopt;
    }
    for (const std::string& copy : copies)
        RemoveCopy(copy);
    RemoveEmptyTree(m_folder);  // still no store of its own, so the next reading tries again
    m_records.applies.insert(m_records.applies.begin(), old);
    return std::nullopt;
}

namespace {

// The game folder an index names on its third line, read only as far as that.
std::optional<std::string> NamedGameFolder(const std::string& text) {
    const std::vector<std::string> lines = base::SplitAt(text, '\n');
    if (lines.size() < 4 || !base::StartsWith(lines[2], "game\t") || lines[2].back() != '\r')
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
            base::KindOf(*named) != PathKind::Missing)
            continue;
        // Only a store that keeps something to put back is offered.
        const DecodedRecords read = ReadIndex(*text, *named, kFold);
        if (!read.records || (read.records->applies.empty() && read.records->left.empty()))
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
    // The numbers this folder gave stay given.
    records.next = std::max(records.next, m_records.next);
    if (!EncodeRecords(records, kFold))
        return StoreError{StoreError::What::Unreadable, index};
    // This folder's index, when it only remembers its next number, makes way.
    const bool ownIndex = base::KindOf(IndexPath()) == PathKind::File;
    if (ownIndex && m_records.applies.empty() && m_records.left.empty() && m_records.again.empty())
        (void)base::RemoveFile(IndexPath());
    RemoveEmptyTree(m_folder);
    if (const WriteResult renamed = base::MoveOver(moved.folder, m_folder); !renamed) {
        if (ownIndex && base::KindOf(IndexPath()) == PathKind::Missing)
            (void)WriteIndex(m_records);
        return NotWritten(renamed.Error());
    }
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
    for (const std::vector<ApplyRecord>* group : {&m_records.left, &m_records.applies})
        for (const ApplyRecord& apply : *group)
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
    if (kFold(folder) != kFold(m_folder) && kFold(folder) != kFold(m_oldFolder))
        return base::WriteError{index, base::WriteError::Reason::Other};
    return base::MoveOver(folder, aside);
}

// Only the files the old index names, the index, and the folders left empty.
void OriginalsStore::RemoveOldStore(const ApplyRecord& old) {
    for (const ApplyEntry& entry : old.entries)
        if (entry.before.kind == EntryKind::Kept)
            (void)base::RemoveFile(OldCopyPath(entry.before.name));
    (void)base::RemoveFile(Join(m_oldFolder, kIndexName));
    RemoveEmptyTree(m_oldFolder);
    m_hasOldStore = false;
    m_oldStore.reset();
    m_oldCheck.clear();
}

// Each named file once, under any of its names: a file there is to be kept (its entry's index
// in `toCopy`), a missing one noted as absent. The store's own files are never kept in it.
void OriginalsStore::NoteKeep(const std::vector<std::string>& names, ApplyRecord& apply,
                              std::vector<std::size_t>& toCopy) const {
    std::set<std::string> seen;
    const base::SplitName store = base::Split(m_folder);
    const bool inPlace = !m_records.applies.empty() && m_records.applies.front().readInPlace;
    const base::SplitName old = base::Split(m_oldFolder);
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
    StoreRecords records = m_records;
    const std::optional<std::uint64_t> number = NextNumber(records);
    if (!number)
        return {std::nullopt, StoreError{StoreError::What::NotWritten, IndexPath()}};
    records.next = *number + 1;
    ApplyRecord apply{*number, mod, batchPath, when, {}};
    apply.running = true;
    std::vector<std::size_t> toCopy;
    NoteKeep(names, apply, toCopy);
    std::vector<std::string> copies;
    std::optional<StoreError> failed = CopyOriginals(apply, toCopy, copies, progress);
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

// A foreseen file is left as it was when its noted size and time are the same after the run
// as before, and its bytes and attributes are still those of the copy; an absent one is still
// absent. Only files inside the game folder are noted.
bool OriginalsStore::LeftAsItWas(const ApplyEntry& entry, const FolderNotes& before, const FolderNotes& after) const {
    const std::string& name = entry.before.name;
    if (PlaceOfName(name, m_gameFolder, kFold) != NamePlace::Inside)
        return false;
    const std::string key = kFold(name);
    const auto was = before.find(key);
    const auto now = after.find(key);
    const std::string full = FullPath(name);
    switch (entry.before.kind) {
    case EntryKind::Absent:
        return was == before.end() && now == after.end() && base::KindOf(full) == PathKind::Missing;
    case EntryKind::Lost:
        return false;
    case EntryKind::Kept:
        break;
    }
    if (was == before.end() || now == after.end() || was->second.size != now->second.size ||
        was->second.time != now->second.time || now->second.size != entry.before.size)
        return false;
    const std::optional<base::FileAttributes> attributes = base::AttributesOf(full);
    return attributes && *attributes == entry.attributes && base::HashOfFile(full) == entry.before.sha256;
}

OriginalsStore::SettleResult OriginalsStore::Settle(std::uint64_t number, const FolderNotes& before,
                                                   const FolderNotes& after) {
    SettleResult result;
    StoreRecords records = m_records;
    const std::optional<std::size_t> found = IndexOfApply(records, number);
    if (!found) {
        result.recorded = false;
        return result;
    }
    ApplyRecord& apply = records.applies[*found];
    apply.running = false;
    std::set<std::string> held;
    std::vector<ApplyEntry> changed;
    std::vector<std::string> dropped;
    for (ApplyEntry& entry : apply.entries) {
        held.insert(kFold(entry.before.name));
        if (!LeftAsItWas(entry, before, after)) {
            changed.push_back(std::move(entry));
            continue;
        }
        result.unchanged.push_back(entry.before.name);
        if (entry.before.kind == EntryKind::Kept)
            dropped.push_back(CopyPath(apply, entry.before.name));
    }
    apply.entries = std::move(changed);
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
    for (const std::string& copy : dropped)
        RemoveCopy(copy);
    for (const Original& original : FirstOriginals())
        if (original.apply->number == number && original.entry->before.kind == EntryKind::Lost)
            result.unrecoverable.push_back(original.entry->before.name);
    return result;
}

std::optional<StoreError> OriginalsStore::SetAgain(std::vector<AgainEntry> again) {
    StoreRecords records = m_records;
    records.again = std::move(again);
    if (std::optional<StoreError> failed = WriteIndex(records))
        return failed;
    m_records = std::move(records);
    return std::nullopt;
}

// The left originals are older than every apply that holds the same file: a file is left
// only by the apply holding its first original.
std::vector<OriginalsStore::Original> OriginalsStore::FirstOriginals() const {
    std::vector<Original> originals;
    std::set<std::string> seen;
    for (const std::vector<ApplyRecord>* group : {&m_records.left, &m_records.applies})
        for (const ApplyRecord& apply : *group)
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
    const auto holds = [&](const ApplyRecord& record) {
        return std::any_of(record.entries.begin(), record.entries.end(),
                           [&](const ApplyEntry& entry) { return kFold(entry.before.name) == folded; });
    };
    return std::none_of(m_records.left.begin(), m_records.left.end(), holds) &&
           std::none_of(m_records.applies.begin(), m_records.applies.begin() + static_cast<std::ptrdiff_t>(apply), holds);
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
    for (const std::vector<ApplyRecord>* group : {&m_records.left, &m_records.applies})
        for (const ApplyRecord& apply : *group)
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
            report.putBackNames.push_back(name);
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
    StoreRecords records = m_records;
    records.applies.clear();
    records.left.clear();
    std::vector<std::string> dropped;
    const ApplyRecord* oldStoreGoes = nullptr;
    for (std::vector<ApplyRecord>* group : {&records.left, &records.applies})
        for (const ApplyRecord& apply : group == &records.left ? m_records.left : m_records.applies) {
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
                group->push_back(std::move(kept));
        }
    // On failure the old index still names every copy, so a later try finds them all.
    report.index = Commit(std::move(records), dropped, oldStoreGoes);
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
    Staying staying = WhatStays(index, outcomes);
    const ApplyRecord old = apply;
    report.index = Commit(std::move(staying.records), staying.dropped, staying.oldStoreGoes ? &old : nullptr);
    return report;
}

// Per entry: one put back or done with drops its copy; a first original the player left, or
// one that can no longer be put back (then as lost), stays for Restore; one that failed stays
// with the apply for a later try. An apply with nothing to try again is forgotten, its first
// originals kept as a left group in the folder of its copies, so that Undo never offers it
// again while Restore still finds them; the oldest that put back something keeps them itself.
OriginalsStore::Staying OriginalsStore::WhatStays(std::size_t index, const std::vector<Outcome>& outcomes) const {
    const ApplyRecord& apply = m_records.applies[index];
    Staying staying{m_records, {}, false};
    std::vector<ApplyEntry> remaining;
    bool retry = false;
    for (std::size_t i = 0; i < apply.entries.size(); ++i) {
        const ApplyEntry& entry = apply.entries[i];
        const bool first = OnlyFirstOriginal(index, kFold(entry.before.name));
        const bool kept = entry.before.kind == EntryKind::Kept;
        const std::string copy = kept ? CopyPath(apply, entry.before.name) : std::string();
        switch (outcomes[i]) {
        case Outcome::Left:
        case Outcome::Lost:
            if (first)
                remaining.push_back(entry);
            else if (kept)
                staying.dropped.push_back(copy);
            break;
        case Outcome::Done:
            if (kept)
                staying.dropped.push_back(copy);
            break;
        case Outcome::Missing:
        case Outcome::Damaged:
            // Restore can no more put this one back than Undo could, and says so.
            if (first)
                remaining.push_back({{EntryKind::Lost, entry.before.name, 0, {}}, entry.after});
            if (outcomes[i] == Outcome::Damaged || !first)
                staying.dropped.push_back(copy);
            break;
        case Outcome::Failed:
        case Outcome::Cancelled:
            remaining.push_back(entry);
            retry = true;
            break;
        }
    }
    const std::size_t oldestStored = m_records.applies.front().readInPlace ? 1 : 0;
    const bool putBackAny = std::any_of(outcomes.begin(), outcomes.end(), [](Outcome o) { return o == Outcome::Done; });
    const bool keptForRestore = std::any_of(remaining.begin(), remaining.end(),
                                            [](const ApplyEntry& e) { return e.before.kind == EntryKind::Kept; });
    const auto at = staying.records.applies.begin() + static_cast<std::ptrdiff_t>(index);
    if (apply.readInPlace) {
        // Its index cannot be rewritten: it goes once nothing in it is left to try again or
        // to put back by Restore.
        staying.dropped.clear();
        staying.oldStoreGoes = !retry && !keptForRestore;
        if (staying.oldStoreGoes)
            staying.records.applies.erase(at);
    } else if (retry || (index == oldestStored && putBackAny && !remaining.empty())) {
        at->entries = std::move(remaining);
    } else {
        if (!remaining.empty())
            staying.records.left.push_back({apply.number, {}, {}, 0, std::move(remaining)});
        staying.records.applies.erase(at);
    }
    return staying;
}

std::optional<StoreError> OriginalsStore::Commit(StoreRecords records, const std::vector<std::string>& dropped,
                                                 const ApplyRecord* oldStoreGoes) {
    if (std::optional<StoreError> failed = WriteIndex(records))
        return failed;
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

// Written beside the index, flushed and moved over it. An index that remembers nothing, not
// even a number given, is removed: an empty store has none.
std::optional<StoreError> OriginalsStore::WriteIndex(const StoreRecords& records) {
    const std::string index = IndexPath();
    StoreRecords stored = records;
    stored.applies.clear();
    for (const ApplyRecord& apply : records.applies)
        if (!apply.readInPlace)
            stored.applies.push_back(apply);
    const bool empty = stored.applies.empty() && stored.left.empty() && stored.again.empty() &&
                       NextNumber(stored).value_or(2) <= 1;
    std::optional<std::string> text;
    WriteResult written;
    if (empty) {
        written = base::RemoveFile(index);
    } else if ((text = EncodeRecords(stored, kFold))) {
        written = base::MakeFolders(m_folder);
        if (written)
            written = base::WriteFileDurably(index, *text);
    } else {
        written = base::WriteError{index, base::WriteError::Reason::Other};
    }
    if (!written)
        return StoreError{StoreError::What::NotWritten, index, written.Error().reason};
    m_indexCheck = text ? std::string(CheckOf(*text)) : kNoIndex;
    // With a folder of its own, the next Load no longer reads the previous version's store.
    if (base::KindOf(m_folder) != PathKind::Missing)
        m_oldCheck.clear();
    return std::nullopt;
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
