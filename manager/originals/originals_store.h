// The game's original files, kept outside the game folder before each mod runs, with every
// apply remembered: Restore puts back the first originals, Undo the state before the newest apply.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/progress.h"
#include "manager/originals/index_format.h"
#include "manager/originals/store_error.h"
#include "manager/originals/store_place.h"

namespace manager {

// The folder inside the game folder where the previous version kept its copies and index.
inline constexpr char kKeptFolder[] = "Original files kept by Grenwick";

// The game folder's files by folded relative name, noted before and after a mod runs.
struct NotedFile {
    std::string name;
    std::uint64_t size;
    std::int64_t time;
};
using FolderNotes = std::map<std::string, NotedFile>;
FolderNotes NoteFolder(const std::string& gameFolder);

// A file's state on the disk now; nothing for a folder or a device.
std::optional<AfterState> StateNow(const std::string& path);
// The full path of a name as an index gives it, for the game folder `gameFolder`.
std::string FullPathIn(const std::string& gameFolder, const std::string& name);
// The names (as noted) of the files created, changed or deleted between two notes.
std::vector<std::string> ChangedFiles(const FolderNotes& before, const FolderNotes& after);

using base::CopyProgress;
using base::ProgressView;

class OriginalsStore {
public:
    // `storeRoot` holds one store per game folder, each in a folder of its own.
    OriginalsStore(const std::string& storeRoot, std::string gameFolder);

    // Reads the index, taking over first a store the previous version left in the game folder
    // (showing `progress` while its copies move). Nothing when it could, else what went wrong.
    // Loading may write (the take-over, the settle of a run a kill stopped): the caller holds
    // the lock.
    std::optional<StoreError> Load(ProgressView* progress = nullptr);
    // Reads the store as it lies, writing nothing, for a look without the lock: the previous
    // version's store is read in place and a run note is left alone. Its generation is that of
    // a Load that finds nothing to take over or settle.
    std::optional<StoreError> Read();
    // What the store was when last loaded or written: the index's check ("none" when there is
    // no index), and the previous version's index read in place, if any. Every change of the
    // index changes it, so a change another window made since a reading shows.
    std::string Generation() const;
    // A store of another game folder that is gone and had this folder's name: the game folder
    // moved here. Its folder and the game folder it names; nothing when there is none.
    struct MovedStore {
        std::string folder;
        std::string gameFolder;
    };
    std::optional<MovedStore> FindMovedStore() const;
    // Makes the moved store this game folder's own; the caller holds the lock and this store
    // keeps nothing.
    std::optional<StoreError> AdoptMovedStore(const MovedStore& moved);
    // Removes the temp files of Grenwick's own naming ("<name>.<process>-<n>.tmp") that a kill
    // left in the store and beside the game files its index names; the caller holds the lock.
    void RemoveTempFiles() const;
    // The name a damaged index's store is set aside under: its folder's name, "damaged" and `stamp`.
    std::string AsideName(const std::string& index, const std::string& stamp) const;
    // Renames the store that holds the damaged `index` (this store, or the previous version's in
    // the game folder) to `aside`, kept for a look by hand; the next Load starts a new one.
    base::WriteResult SetAside(const std::string& index, const std::string& aside) const;

    const StoreRecords& Records() const { return m_records; }
    // The records moved out, for a caller that is done with this store.
    StoreRecords ReleaseRecords() { return std::move(m_records); }
    const std::string& Folder() const { return m_folder; }
    std::string IndexPath() const;
    // The full path of a name as the index gives it.
    std::string FullPath(const std::string& name) const;

    struct KeepResult {
        std::optional<std::uint64_t> number;  // the new apply's, when everything was kept
        // Else what failed: the file that could not be kept (as it was named), the index, or
        // the player cancelled.
        std::optional<StoreError> error;
    };
    // Starts a new apply: keeps a copy of each named file that is there (full or relative
    // names), notes the others as absent. A failure or Cancel undoes this apply's copies.
    KeepResult Keep(const std::string& mod, const std::string& batchPath, std::int64_t when,
                    const std::vector<std::string>& names, ProgressView* progress);

    struct SettleResult {
        std::optional<StoreError> index;         // the index's rewrite, when it failed
        bool recorded = true;                    // false when the apply is gone from the store
        std::vector<std::string> unrecoverable;  // changed with no original kept by any apply
        std::vector<std::string> unchanged;      // foreseen, and left by the run as they were
    };
    // After the run of apply `number`: a foreseen file the run left as it was is forgotten with
    // its copy, a file created that was not foreseen becomes absent, one changed or deleted
    // without a copy lost; every entry gets the state the run left and the apply is no longer
    // running. Tells the names changed that no apply kept an original of (Restore cannot put
    // them back) and the foreseen ones unchanged.
    SettleResult Settle(std::uint64_t number, const FolderNotes& before, const FolderNotes& after);

    // Writes the mods a Take out still has to apply again (Records().again); the caller holds
    // the lock.
    std::optional<StoreError> SetAgain(std::vector<AgainEntry> again);

    // Before apply `number`'s mod runs, notes in the store what was noted of the game folder,
    // bound to this index, so that a run a kill stops is settled at the next Load
    // (unfinished_run.cpp); after the run is settled, EndRun forgets the note. The caller holds
    // the lock.
    void BeginRun(std::uint64_t number, const FolderNotes& before) const;
    void EndRun() const;
    // A run that never ended, settled by the last Load: the mod's name and the files it changed
    // with no original kept by any apply.
    struct UnendedRun {
        std::string mod;
        std::vector<std::string> unrecoverable;
    };
    const std::optional<UnendedRun>& Unended() const { return m_unended; }

    // Per file, the entry of the left originals or else of the oldest apply holding it: what
    // Restore puts back.
    struct Original {
        const ApplyRecord* apply;
        const ApplyEntry* entry;
    };
    std::vector<Original> FirstOriginals() const;
    // The names of apply `apply` (the newest when none) whose files differ now from the state
    // it left them in.
    std::vector<std::string> ChangedSince(std::optional<std::size_t> apply = std::nullopt) const;

    // Why a file could not be put back or deleted.
    enum class Refusal { Other, ReadOnly, InUse, AccessDenied, DiskFull, FolderInPlace };
    struct FailedFile {
        std::string name;
        Refusal why = Refusal::Other;
        bool operator==(const FailedFile& other) const { return name == other.name && why == other.why; }
    };
    struct PutBackReport {
        std::size_t putBack = 0;
        std::vector<std::string> putBackNames;  // the files put back or deleted, as the store names them
        std::vector<std::string> missing;  // the kept copy is gone
        std::vector<std::string> damaged;  // the kept copy is not what was kept
        std::vector<FailedFile> failed;    // could not be written or deleted: stays for a later try
        std::vector<std::string> lost;     // no original was kept
        bool cancelled = false;
        std::optional<StoreError> index;  // the index's rewrite, when it failed
    };
    PutBackReport Restore(ProgressView* progress);
    // Puts back the files of apply `apply` as they were just before it, but for those in `leave`
    // (folded names), whose first originals stay for Restore; forgets the apply unless something
    // is left to try again. No later apply may have changed its files since: Undo takes the
    // newest, Take out the later ones first.
    PutBackReport TakeOut(std::size_t apply, const std::set<std::string>& leave, ProgressView* progress);
    PutBackReport UndoNewest(const std::set<std::string>& leave, ProgressView* progress) {
        return TakeOut(m_records.applies.size() - 1, leave, progress);
    }

private:
    enum class Outcome { Done, Missing, Damaged, Failed, Lost, Cancelled, Left };

    // The index and the previous version's store read, nothing moved but, when `adopt`, the
    // store the kit kept under the game folder's former key.
    std::optional<StoreError> ReadStored(bool adopt);
    void AdoptPreviousFolder(bool move);
    // Reads the index the previous version left in the game folder, once a Load.
    void ReadOldStore();
    std::optional<StoreError> TakeOver(ProgressView* progress);
    bool MoveOldCopies(ApplyRecord& apply, std::vector<std::string>& copies, ProgressView* progress) const;
    void NoteKeep(const std::vector<std::string>& names, ApplyRecord& apply, std::vector<std::size_t>& toCopy) const;
    std::optional<StoreError> CopyOriginals(ApplyRecord& apply, const std::vector<std::size_t>& toCopy,
                                            std::vector<std::string>& copies, ProgressView* progress) const;
    void RemoveOldStore(const ApplyRecord& old);
    std::string OldCopyPath(const std::string& name) const;
    std::string CopyPath(const ApplyRecord& apply, const std::string& name) const;
    // Writes `records` as the index; the generation follows what is written.
    std::optional<StoreError> WriteIndex(const StoreRecords& records);
    void RemoveCopy(const std::string& copy) const;
    // Whether the run noted in `before` and `after` left the foreseen `entry` as it was.
    bool LeftAsItWas(const ApplyEntry& entry, const FolderNotes& before, const FolderNotes& after) const;
    // Puts back one file; `why` tells a Failed outcome's reason.
    Outcome PutBackOne(const ApplyRecord& apply, const ApplyEntry& entry, CopyProgress& progress, Refusal& why) const;
    // The one put-back loop: each original but those in `leave` (folded names) put back, its
    // outcome counted in `report`; the outcomes in the order of `originals`.
    std::vector<Outcome> PutBackAll(const std::vector<Original>& originals, const std::set<std::string>& leave,
                                    const std::string& text, ProgressView* progress, PutBackReport& report) const;
    // The store after taking out apply `index` with these outcomes: the records, the copies
    // they no longer name, and whether the previous version's store in the game folder goes.
    struct Staying {
        StoreRecords records;
        std::vector<std::string> dropped;
        bool oldStoreGoes = false;
    };
    Staying WhatStays(std::size_t index, const std::vector<Outcome>& outcomes) const;
    // Makes `records` the store's: the index written, then `dropped` removed and the old store
    // in the game folder with them when `oldStoreGoes`.
    std::optional<StoreError> Commit(StoreRecords records, const std::vector<std::string>& dropped,
                                     const ApplyRecord* oldStoreGoes);
    // Whether no left group and no apply before `apply` holds the file `folded`.
    bool OnlyFirstOriginal(std::size_t apply, const std::string& folded) const;
    // Whether an apply or a left group noted a file below `name` that a mod made.
    bool ModsMadeInside(const std::string& name) const;

    // Settles, as after a normal run, the newest apply whose run a kill stopped.
    void SettleUnendedRun();

    std::string m_gameFolder;
    bool m_rooted;  // a store root was given
    std::string m_keyFolder;  // the store's folder under today's key
    std::string m_folder;     // the folder read: today's, or the former key's read in place
    std::string m_oldFolder;  // the previous version's store in the game folder
    StoreRecords m_records;
    std::optional<UnendedRun> m_unended;
    std::string m_indexCheck;  // the generation's part for this store's index
    // The previous version's store, as the last Load found it: whether it is there (this game
    // folder has no store of its own yet), what it reads as, and the hash of its index.
    bool m_hasOldStore = false;
    std::optional<ApplyRecord> m_oldStore;
    std::string m_oldCheck;
};

}  // namespace manager
