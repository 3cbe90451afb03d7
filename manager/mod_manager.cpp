// The manager's operations: start-up load, add, apply, show last mod, reset, remove one mod, and
// putting back the originals that apply keeps.
#include "manager/mod_manager.h"

#include <ctime>
#include <iomanip>
#include <sstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/code_pages.h"
#include "base/files.h"
#include "base/held_files.h"
#include "base/paths.h"
#include "base/test_hook.h"
#include "base/text.h"
#include "batchfile/header_reader.h"
#include "batchfile/write_messages.h"
#include "manager/list/list_file.h"
#include "manager/list/list_pair.h"
#include "manager/originals/applied_mods.h"
#include "manager/originals/foresee.h"
#include "manager/originals/originals_store.h"
#include "manager/originals/store_error.h"
#include "manager/state_lock.h"

namespace manager {
namespace {

constexpr char kSelectFirst[] = "Please select a mod first!";
constexpr char kDone[] = "Done!";
constexpr char kPause[] = "PAUSE";
constexpr char kListInUse[] =
    "The mod list is in use by another Grenwick window and could not be changed. Please try again.";
constexpr char kNotApplied[] = ", so the mod was not applied. Nothing has changed.";
// How many of the kept files a question or a report names before "and N more".
constexpr std::size_t kNamedFiles = 3;

constexpr char kPercentReason[] =
    "the command interpreter reads a % as the start of a variable's name, so another file would run.";
constexpr char kInexactReason[] =
    "it holds characters (shown as ?) that the system's code page cannot hold exactly, so another file "
    "would run.";
constexpr char kDeviceReason[] = "it names a device, not a file on disk.";
constexpr char kPrefixReason[] =
    "it begins with \"\\\\?\\\" or \"\\\\.\\\", which the command interpreter cannot run a batch file from.";
constexpr char kRestoreName[] = "\"Restore original files...\"";
constexpr char kRestartQuestion[] = "\n\nStart Grenwick again as administrator?";

std::string CannotUseMessage(const std::string& path, const char* reason) {
    return "The path \"" + path + "\" cannot be used: " + reason;
}

// The list files, the typed path and the last-mod file hold the ANSI code page's text, as the
// list shows it; inside the kit names and messages are UTF-8. A mod's entry is read over once.
ModEntry InKit(const ModEntry& listed) { return {base::Utf8OfAnsi(listed.name), base::Utf8OfAnsi(listed.path)}; }

// A text that reads back as an empty record would end the list at the next start.
bool SurvivesReload(const std::string& text) {
    std::vector<std::string> reloaded;
    DecodeList(reloaded, EncodeList({text}, kDefaultRecordSize), 1, kDefaultRecordSize);
    return !reloaded.empty();
}

ListFiles ListFilesOf(const ManagerFiles& files) { return {files.paths, files.names}; }

std::string Files(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

// One indented name a line, the first kNamedFiles of them, then how many more there are.
std::string NameList(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < kNamedFiles; ++i)
        list += "\n    " + names[i];
    if (names.size() > kNamedFiles)
        list += "\n    and " + std::to_string(names.size() - kNamedFiles) + " more";
    return list;
}

// Every name, one a line: files outside the game folder are never cut short.
std::string FullNameList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names)
        list += "\n    " + name;
    return list;
}

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

// A line of the batch file by its number; a line of a file it calls by that file too.
std::string LineList(const std::vector<UnfollowedLine>& lines, const std::string& batchPath) {
    std::string list;
    for (std::size_t i = 0; i < lines.size() && i < kNamedFiles; ++i) {
        const UnfollowedLine& line = lines[i];
        list += "\n    ";
        if (line.file != batchPath)
            list += "\"" + line.file + "\" ";
        list += "line " + std::to_string(line.number) + ": " + line.text;
    }
    if (lines.size() > kNamedFiles)
        list += "\n    and " + std::to_string(lines.size() - kNamedFiles) + " more";
    return list;
}

std::string FullPathOf(const std::string& path, const std::string& folder) {
    return base::IsRooted(path) ? path : base::Join(folder, path);
}

// Why a file could not be put back or deleted, and what the player can do before trying again.
std::string RefusalText(OriginalsStore::Refusal why) {
    using Refusal = OriginalsStore::Refusal;
    switch (why) {
    case Refusal::ReadOnly:
        return ": it is read-only and Grenwick could not change that; clear \"Read-only\" in its Properties";
    case Refusal::InUse:
        return ": it is in use; close the game or the program that has it open";
    case Refusal::AccessDenied:
        return ": access is denied; start Grenwick as an administrator";
    case Refusal::DiskFull:
        return ": the disk is full; make room on it";
    case Refusal::FolderInPlace:
        return ": a folder is in its place; move that folder away";
    case Refusal::Other:
        break;
    }
    return {};
}

std::string FailedList(const std::vector<OriginalsStore::FailedFile>& failed) {
    std::string list;
    for (std::size_t i = 0; i < failed.size() && i < kNamedFiles; ++i)
        list += "\n    " + failed[i].name + RefusalText(failed[i].why);
    if (failed.size() > kNamedFiles)
        list += "\n    and " + std::to_string(failed.size() - kNamedFiles) + " more";
    return list;
}

// What a put back could not do, file by file, and what stays for a later try.
std::string Troubles(const OriginalsStore::PutBackReport& report, const std::string& laterTry) {
    std::string text;
    if (!report.missing.empty() || !report.damaged.empty() || !report.lost.empty()) {
        text += "\n\nThese could not be put back:";
        for (const std::string& name : report.missing)
            text += "\n    " + name + ": its kept copy is missing";
        for (const std::string& name : report.damaged)
            text += "\n    " + name + ": its kept copy is damaged";
        for (const std::string& name : report.lost)
            text += "\n    " + name + ": no original was kept";
    }
    if (!report.failed.empty())
        text += "\n\nThese could not be put back and " + laterTry + FailedList(report.failed);
    if (report.cancelled)
        text += "\n\nCancelled: the files not yet put back " + laterTry.substr(0, laterTry.size() - 1) + ".";
    return text;
}

// Grenwick's own files, which no mod may change: the store of originals, and the list files
// and the last-mod file with the files saved beside them (their temporaries and the lock).
class OwnFiles {
public:
    OwnFiles(const ManagerFiles& files, const std::string& gameFolder) : m_gameFolder(gameFolder) {
        for (const std::string* file : {&files.names, &files.paths, &files.lastMod})
            if (!file->empty())
                m_files.push_back(base::FoldCase(Full(*file)));
        if (!files.storeRoot.empty())
            m_store = base::Split(Full(files.storeRoot));
    }
    bool Holds(const std::string& fullPath) const {
        if (m_store && base::IsWithin(base::Split(fullPath), *m_store, &base::FoldCase))
            return true;
        const std::string folded = base::FoldCase(fullPath);
        for (const std::string& file : m_files)
            if (folded == file || folded.rfind(file + ".", 0) == 0)
                return true;
        return false;
    }

private:
    // A name as the reader names what a mod changes: a full path on the game's drive.
    std::string Full(const std::string& name) const {
        const base::FolderPlace place = base::PlaceInFolder(name, m_gameFolder);
        return place.inside ? base::Join(m_gameFolder, place.name) : place.name;
    }

    std::string m_gameFolder;
    std::vector<std::string> m_files;
    std::optional<base::SplitName> m_store;
};

// The store's folder, every file noted in it and every folder between, to hold during a run.
std::vector<std::string> HeldPaths(const std::string& folder, const FolderNotes& notes) {
    std::set<std::string> paths{folder};
    for (const auto& [key, file] : notes)
        for (std::string name = file.name; !name.empty(); name = base::ParentFolder(name))
            paths.insert(base::Join(folder, name));
    return {paths.begin(), paths.end()};
}

}  // namespace

std::string QuoteForInterpreter(const std::string& path) { return "\"\"" + path + "\"\""; }

ModManager::ModManager(ManagerFiles files, CommandRunner& runner, ManagerView& view, NameCompare compare)
    : m_files(std::move(files)), m_runner(runner), m_view(view), m_mods(std::move(compare)) {}

// A save another process left unfinished is settled first. Should the lock not come, the
// list is still read as the last finished save left it. A store of original files that the
// previous version left in the game folder is moved out of the mods' reach at once; what
// could go wrong there is said when the store is next used.
void ModManager::StartupLoad(std::FILE* lastModReader) {
    std::optional<OriginalsStore::UnendedRun> unended;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        if (!lock.InUse()) {
            (void)SettleLists(ListFilesOf(m_files));
            // What a kill left half made goes, and a run it stopped is settled; the store is
            // read as a whole or not at all.
            if (OriginalsStore store(m_files.storeRoot, base::CurrentFolder()); !store.Load(m_progress)) {
                store.RemoveTempFiles();
                unended = store.Unended();
            }
        }
        (void)LoadSaved();
    }
    m_view.ShowList(m_mods.Entries());
    // The player hears of a run that never ended only when it lost an original.
    if (unended && !unended->unrecoverable.empty())
        m_view.ShowMessage("When Grenwick last stopped, \"" + unended->mod + "\" had not finished. It changed these "
                           "files with no original kept, so " + std::string(kRestoreName) + " cannot put them back:" +
                           NameList(unended->unrecoverable));
    if (lastModReader)
        m_lastModText = batchfile::ReadLine(lastModReader).value_or(std::string());
}

void ModManager::AddBatchFile(const std::string& fieldText, bool textExact) {
    if (base::IsBlank(fieldText))
        return;  // an empty path would end both lists at the next start
    if (m_mods.Entries().size() >= kDefaultRecordLimit) {
        ReportFull();
        return;
    }
    const std::string path = base::Utf8OfAnsi(fieldText);
    if (fieldText.size() > kDefaultRecordSize) {
        m_view.ShowMessage("The path \"" + path + "\" is too long to be remembered: the mod list keeps "
                           "batch file paths of at most " + std::to_string(kDefaultRecordSize) + " characters.");
        return;
    }
    if (!textExact) {
        m_view.ShowMessage(CannotUseMessage(path, kInexactReason));
        return;
    }
    const std::optional<batchfile::ModHeader> header = RunnableHeader(path, 1);
    if (!header)
        return;
    std::string name = batchfile::ModNameOf(header->line1, fieldText);
    if (!SurvivesReload(name))
        name = fieldText;
    bool full = false;
    ChangeList([&](ModList& mods) {
        // Another window may have filled the list since this one last showed it.
        full = mods.Entries().size() >= kDefaultRecordLimit;
        if (!full)
            mods.Insert({std::move(name), fieldText});
    });
    if (full)
        ReportFull();
}

void ModManager::ApplyMod(std::optional<std::size_t> selection) {
    if (!selection || *selection >= m_mods.Entries().size()) {
        m_view.ShowMessage(kSelectFirst);
        return;
    }
    const ModEntry listed = m_mods.Entries()[*selection];
    const ModEntry entry = InKit(listed);
    const std::optional<std::vector<std::string>> lines = RunnableLines(entry.path);
    if (!lines)
        return;  // an older list can hold a path that is refused at add today
    const std::string gameFolder = base::CurrentFolder();
    const std::string fullBatch = FullPathOf(entry.path, gameFolder);
    OriginalsStore store(m_files.storeRoot, gameFolder);
    const bool read = !ReadStore(store);
    const std::optional<KeepPlan> plan = PlanKeep(fullBatch, *lines, gameFolder, read ? &store.Records() : nullptr);
    if (!plan)
        return;
    std::vector<std::string> messages;
    bool ran = false;
    base::WriteResult lastMod;
    for (int tries = 0; tries < 2 && !ran; ++tries) {
        std::optional<StoreError> unusable;
        {
            // One lock from keeping the originals through the run to noting what it changed
            // and remembering the mod: no other window changes the store while the mod runs.
            StateLock lock(m_files.paths, m_files.lockWait);
            std::string problem;
            if ((unusable = LoadLocked(lock, store))) {
                messages = {StoreMessage(*unusable, kNotApplied)};
            } else if (const auto number = KeepOriginals(store, entry, fullBatch, *plan, problem)) {
                ran = true;
                messages = RunAndSettle(store, *number, entry, *lines, gameFolder);
                lastMod = SaveLastMod(listed.path);
            } else {
                messages = {problem};
            }
        }
        if (!unusable || tries > 0 || !OfferSetAside(store, *unusable))
            break;
    }
    for (const std::string& message : messages)
        m_view.ShowMessage(message);
    if (!ran)
        return;
    if (!lastMod)
        ReportUnwritable(lastMod.Error());
    m_view.ShowMessage(kDone);
    m_view.CloseApplied();
}

// Runs the mod and notes in the store what the run changed; what the player must be told.
std::vector<std::string> ModManager::RunAndSettle(OriginalsStore& store, std::uint64_t number, const ModEntry& entry,
                                                  const std::vector<std::string>& lines,
                                                  const std::string& gameFolder) {
    const FolderNotes before = NoteFolder(gameFolder);
    // Should the run never end, the next start settles it from this note, held with the store.
    store.BeginRun(number, before);
    const FolderNotes storeBefore = NoteFolder(store.Folder());
    {
        const base::HeldFiles held(HeldPaths(store.Folder(), storeBefore));
        m_runner.Run(QuoteForInterpreter(entry.path));
        // A PPF mod's batch file runs the patcher, whose report stays on screen until a key.
        if (lines.size() > 1 && batchfile::PpfTextOf(lines[1]))
            m_runner.Run(kPause);
        base::TestPoint("running");
    }
    std::vector<std::string> messages;
    // The store as the run found it: its index is written again from what this window holds,
    // and a copy changed meanwhile fails its hash when put back.
    if (const std::vector<std::string> changed = ChangedFiles(storeBefore, NoteFolder(store.Folder()));
        !changed.empty()) {
        std::vector<std::string> full;
        for (const std::string& name : changed)
            full.push_back(base::Join(store.Folder(), name));
        messages.push_back("While the mod ran, another program or the mod changed these files of the kept original "
                           "files:" + FullNameList(full) + "\n\nGrenwick wrote back its own list of what it keeps; a "
                           "changed copy is never put back.");
    }
    const OriginalsStore::SettleResult settled = store.Settle(number, before, NoteFolder(gameFolder));
    if (!settled.index)
        store.EndRun();  // else the note stays, and the next start settles the run
    if (settled.index)
        messages.push_back(StoreMessage(*settled.index, ", so the files the mod created or changed unforeseen are not "
                                                        "known to " + std::string(kRestoreName) + "."));
    else if (!settled.recorded)
        messages.push_back("The record of \"" + entry.name + "\" is gone from the kept original files, so the files "
                           "it changed are not kept: " + kRestoreName + " cannot put them back.");
    else if (!settled.unrecoverable.empty())
        messages.push_back("The mod changed these files with no original kept, so " + std::string(kRestoreName) +
                           " cannot put them back:" + NameList(settled.unrecoverable));
    return messages;
}

void ModManager::ShowLastMod() { m_view.ShowMessage(base::Utf8OfAnsi(m_lastModText)); }

void ModManager::ResetModList() {
    ChangeList([](ModList& mods) { mods.Clear(); });
}

void ModManager::RemoveMod(const ModEntry& entry) {
    const ModEntry shown = InKit(entry);
    if (m_view.Ask("Remove \"" + shown.name + "\" from the mod list?\n\nIts batch file \"" + shown.path +
                       "\" stays where it is.",
                   true))
        ChangeList([&](ModList& mods) { mods.Remove(entry); });
}

namespace {

// The question before a restore, or nothing when the store keeps nothing.
std::optional<std::string> RestoreQuestion(const OriginalsStore& store, const std::string& gameFolder) {
    std::vector<std::string> inside, outside, lost;
    for (const OriginalsStore::Original& original : store.FirstOriginals()) {
        const std::string& name = original.entry->before.name;
        if (original.entry->before.kind == EntryKind::Lost)
            lost.push_back(name);
        else
            (PlaceOfName(name, gameFolder, &base::FoldCase) == NamePlace::Outside ? outside : inside)
                .push_back(name);
    }
    const std::size_t count = inside.size() + outside.size();
    if (count == 0 && lost.empty())
        return std::nullopt;
    std::string question = "Put back " + Files(count) + " as " + (count == 1 ? "it was" : "they were") +
                           " before the first mod? Files that mods created are deleted." + NameList(inside);
    if (!outside.empty())
        question += "\n\nOutside the game folder, these files are written or deleted:" + FullNameList(outside);
    if (!lost.empty())
        question += "\n\nThese files were changed with no original kept and cannot be put back:" + NameList(lost);
    return question;
}

}  // namespace

void ModManager::RestoreOriginals() {
    const std::string gameFolder = base::CurrentFolder();
    OriginalsStore store(m_files.storeRoot, gameFolder);
    if (!LoadStoreToPutBack(store))
        return;
    std::optional<std::string> question = RestoreQuestion(store, gameFolder);
    if (!question && OfferMovedStore(store))
        question = RestoreQuestion(store, gameFolder);
    if (!question) {
        m_view.ShowMessage("Grenwick keeps no original files for this game folder, so there is nothing to put back.");
        return;
    }
    if (!m_view.Ask(*question, true))
        return;
    // Read again under the lock: what another window kept since the question is put back too.
    OriginalsStore::PutBackReport report;
    std::size_t kept = 0;
    std::optional<StoreError> problem;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        problem = LoadLocked(lock, store);
        if (!problem) {
            for (const OriginalsStore::Original& original : store.FirstOriginals())
                kept += original.entry->before.kind != EntryKind::Lost;
            report = store.Restore(m_progress);
        }
    }
    if (problem) {
        m_view.ShowMessage(StoreMessage(*problem, ", so nothing was put back."));
        return;
    }
    const std::string done = report.putBack == kept ? Files(report.putBack)
                                                    : std::to_string(report.putBack) + " of " + Files(kept);
    std::string text = "Put back " + done + "." + Troubles(report, "stay kept for a later try:");
    if (report.index)
        text += "\n\nThe file \"" + report.index->file + "\" could not be written: a later restore puts these "
                "files back again.";
    m_view.ShowMessage(text);
}

void ModManager::UndoLastMod() {
    const std::string gameFolder = base::CurrentFolder();
    OriginalsStore store(m_files.storeRoot, gameFolder);
    if (!LoadStoreToPutBack(store))
        return;
    if (store.Records().applies.empty()) {
        m_view.ShowMessage("No applied mod is remembered, so there is nothing to undo.");
        return;
    }
    const ApplyRecord& newest = store.Records().applies.back();
    const std::uint64_t number = newest.number;
    const std::string mod = newest.mod;
    std::vector<std::string> names;
    for (const ApplyEntry& entry : newest.entries)
        names.push_back(entry.before.name);
    const std::vector<std::string> changed = store.ChangedSince();
    const bool one = names.size() == 1;
    std::string question = "Undo \"" + mod + "\"? Its " + Files(names.size()) + (one ? " is" : " are") +
                           " put back as " + (one ? "it was" : "they were") +
                           " just before it was applied; files it created are deleted." + NameList(names);
    if (!changed.empty())
        question += "\n\nThese files were changed after it was applied:" + NameList(changed);
    if (!m_view.Ask(question, true))
        return;
    std::set<std::string> leave;
    if (!changed.empty() &&
        !m_view.Ask("Put back the files changed after \"" + mod + "\" was applied too? No leaves them as they are." +
                        NameList(changed),
                    false))
        for (const std::string& name : changed)
            leave.insert(base::FoldCase(name));
    if (leave.size() == names.size()) {
        // Nothing would be put back: the apply stays as it is, and the player is told so
        // rather than "put back 0 files".
        m_view.ShowMessage("Nothing was undone: every file of \"" + mod + "\" was changed after it was applied and "
                           "stays as it is. " + kRestoreName + " can still put back the originals.");
        return;
    }
    UndoApply(store, number, mod, leave);
}

// Undoes apply `number` when it is still the newest under the lock, and says how it went.
void ModManager::UndoApply(OriginalsStore& store, std::uint64_t number, const std::string& mod,
                           const std::set<std::string>& leave) {
    OriginalsStore::PutBackReport report;
    std::string problem;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        if (const std::optional<StoreError> error = LoadLocked(lock, store))
            problem = StoreMessage(*error, "");
        else if (store.Records().applies.empty() || store.Records().applies.back().number != number)
            problem = "\"" + mod + "\" was undone or put back meanwhile by another Grenwick window";
        if (problem.empty())
            report = store.UndoNewest(leave, m_progress);
    }
    if (!problem.empty()) {
        m_view.ShowMessage(problem + ", so nothing was put back.");
        return;
    }
    std::string text = (report.cancelled ? "The undo of \"" + mod + "\" was cancelled" : "Undid \"" + mod + "\"") +
                       ": put back " + Files(report.putBack) + "." +
                       Troubles(report, "stay remembered for a later try:");
    if (report.index)
        text += "\n\nThe file \"" + report.index->file + "\" could not be written: \"" + mod + "\" stays remembered.";
    m_view.ShowMessage(text);
}

// After the player moves the game folder, its store still names the old place: offered (No
// by default) to use it here. True when it now is this folder's store.
bool ModManager::OfferMovedStore(OriginalsStore& store) {
    const std::optional<OriginalsStore::MovedStore> moved = store.FindMovedStore();
    if (!moved || !m_view.Ask("Grenwick keeps no original files for this game folder, but it keeps some for \"" +
                                  moved->gameFolder + "\", which is gone and had this folder's name: the game "
                                  "folder was moved here?\n\nUse those original files for this folder?",
                              false))
        return false;
    std::optional<StoreError> problem;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        problem = LoadLocked(lock, store);
        if (!problem && store.Records().applies.empty())
            problem = store.AdoptMovedStore(*moved);
    }
    if (problem)
        m_view.ShowMessage(StoreMessage(*problem, ", so nothing was put back."));
    return !problem;
}

std::optional<StoreError> ModManager::LoadLocked(const StateLock& lock, OriginalsStore& store) {
    if (lock.InUse())
        return StoreError{StoreError::What::InUse};
    return store.Load(m_progress);
}

// Reads the store under the state lock before a question about putting files back; false,
// after saying why, when another window holds the lock or the index cannot be trusted.
bool ModManager::LoadStoreToPutBack(OriginalsStore& store) {
    std::optional<StoreError> problem;
    for (int tries = 0; tries < 2; ++tries) {
        {
            StateLock lock(m_files.paths, m_files.lockWait);
            problem = LoadLocked(lock, store);
        }
        if (!problem)
            return true;
        if (tries > 0 || !OfferSetAside(store, *problem))
            break;
    }
    m_view.ShowMessage(StoreMessage(*problem, ", so nothing was put back."));
    return false;
}

std::optional<StoreError> ModManager::ReadStore(OriginalsStore& store) {
    StateLock lock(m_files.paths, m_files.lockWait);
    return LoadLocked(lock, store);
}

// Files the mod will change that a mod still applied changed last: the player hears of them
// before they are overwritten. Yes, the default, applies.
bool ModManager::OverwriteAgreed(const StoreRecords& applied, const std::vector<std::string>& changed,
                                 const std::string& fullBatch, const std::string& gameFolder) {
    std::vector<std::string> names;
    for (const std::string& path : changed)
        names.push_back(base::PlaceInFolder(path, gameFolder).name);
    const std::vector<Overwritten> over = OverwrittenFiles(applied, names, fullBatch, &base::FoldCase);
    return over.empty() || m_view.Ask(OverwriteQuestion(over), true);
}

// A damaged index would refuse every Apply, Restore and Undo for good: the player may set its
// store aside, kept for a look by hand, and start a new one (No, the default, leaves it).
// True when it was set aside.
bool ModManager::OfferSetAside(OriginalsStore& store, const StoreError& error) {
    if (error.what != StoreError::What::Unreadable)
        return false;
    const std::time_t now = std::time(nullptr);
    std::ostringstream stamp;
    stamp << std::put_time(std::localtime(&now), "%Y-%m-%d %H.%M.%S");
    const std::string aside = store.AsideName(error.file, stamp.str());
    if (!m_view.Ask("The list of kept original files \"" + error.file + "\" is damaged: " + DamageText(error) +
                        ". Grenwick cannot trust what it names.\n\nSet the damaged store aside as \"" + aside +
                        "\", kept for a look by hand, and start a new one? What it keeps is then no longer put "
                        "back by Grenwick.",
                    false))
        return false;
    base::WriteResult moved;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        if (lock.InUse())
            return false;
        moved = store.SetAside(error.file, aside);
    }
    if (!moved)
        ReportUnwritable(moved.Error());
    return static_cast<bool>(moved);
}

// What the reader foresees the mod changes; where it cannot follow a line, the player picks
// between keeping every file first, keeping what is foreseen, and not applying the mod.
std::optional<ModManager::KeepPlan> ModManager::PlanKeep(const std::string& fullBatch,
                                                         const std::vector<std::string>& lines,
                                                         const std::string& gameFolder,
                                                         const StoreRecords* applied) {
    const ForeseeContext context{fullBatch, gameFolder, m_environment};
    const batchfile::BatchEffects foreseen = Foresee(lines, context);
    const OwnFiles own(m_files, gameFolder);
    for (const std::string& path : foreseen.changed) {
        if (!own.Holds(path))
            continue;
        const std::size_t number = FirstLineReaching(lines, context, [&](const std::string& p) { return own.Holds(p); })
                                       .value_or(0);
        // The line's bytes in the console's code page, as the interpreter reads it.
        const std::string line =
            number > 0 ? base::Utf8OfCodePage(lines[number - 1], base::OemCodePage()).value_or(path) : path;
        m_view.ShowMessage("The mod was not applied: this line of it changes the files Grenwick keeps for itself (the "
                           "kept original files, the mod list, the last mod):\n    line " + std::to_string(number) +
                           ": " + line + "\n\nNothing has changed.");
        return std::nullopt;
    }
    if (applied && !OverwriteAgreed(*applied, foreseen.changed, fullBatch, gameFolder))
        return std::nullopt;
    KeepPlan plan{foreseen.changed};
    if (foreseen.unfollowed.empty())
        return plan;
    std::vector<std::string> everything;
    for (const base::TreeFile& file : base::WalkFolder(gameFolder)) {
        everything.push_back(file.name);
        plan.wholeBytes += file.size;
    }
    const bool one = foreseen.unfollowed.size() == 1;
    const ManagerView::Answer answer = m_view.AskYesNoCancel(
        "Grenwick cannot tell which files " + std::string(one ? "this line" : "these lines") +
        " of the mod change:" + LineList(foreseen.unfollowed, fullBatch) + "\n\n" + kRestoreName +
        " cannot put back what " + (one ? "it changes" : "they change") + ".\n\n"
        "Yes: keep a copy of every file in the game folder first (" + Files(everything.size()) + ", " +
        Megabytes(plan.wholeBytes) + "), then apply the mod.\n"
        "No: apply the mod, keeping only the files Grenwick can tell it changes.\n"
        "Cancel: do not apply the mod.");
    if (answer == ManagerView::Answer::Cancel)
        return std::nullopt;
    plan.whole = answer == ManagerView::Answer::Yes;
    if (plan.whole)
        plan.names.insert(plan.names.end(), everything.begin(), everything.end());
    return plan;
}

// Before a mod runs, the files it will change are kept; when one cannot be, it does not run.
// The store is read and written under the state lock, so two windows applying at once never
// interleave their changes to it; questions and messages wait until the lock is let go.
std::optional<std::uint64_t> ModManager::KeepOriginals(OriginalsStore& store, const ModEntry& entry,
                                                       const std::string& fullBatch, const KeepPlan& plan,
                                                       std::string& problem) {
    if (plan.whole) {
        const std::optional<std::uint64_t> free =
            base::MakeFolders(store.Folder()) ? base::FreeSpace(store.Folder()) : std::nullopt;
        if (!free || *free < plan.wholeBytes) {
            problem = "There is not enough free space on the disk of \"" + store.Folder() +
                      "\" to keep a copy of every file in the game folder (" + Megabytes(plan.wholeBytes) +
                      " needed, " + Megabytes(free.value_or(0)) + " free)" + kNotApplied;
            base::RemoveEmptyFolder(store.Folder());
            return std::nullopt;
        }
    }
    OriginalsStore::KeepResult kept =
        store.Keep(entry.name, fullBatch, static_cast<std::int64_t>(std::time(nullptr)), plan.names, m_progress);
    if (kept.error)
        problem = StoreMessage(*kept.error, kNotApplied);
    return kept.number;
}

// Under the lock the list is read as it is on disk now, so a change made meanwhile in
// another window is kept, changed and saved as one; the window then shows what was saved.
// Messages wait until the lock is let go: a message box is open for as long as the user likes.
void ModManager::ChangeList(const std::function<void(ModList&)>& change) {
    base::WriteResult saved;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        if (lock.InUse()) {
            m_view.ShowMessage(kListInUse);
            return;
        }
        saved = SettleLists(ListFilesOf(m_files));
        // A list file that could not be read would be saved back without what it holds: it
        // is named as one that cannot be written.
        if (saved)
            if (const std::optional<std::string> unreadable = LoadSaved())
                saved = base::WriteError{*unreadable, base::WriteError::Reason::Other};
        if (saved) {
            change(m_mods);
            saved = SaveLists(ListFilesOf(m_files), {m_mods.Paths(), m_mods.Names()});
        }
        if (!saved)
            (void)LoadSaved();
    }
    m_view.ShowList(m_mods.Entries());
    if (!saved)
        ReportUnwritable(saved.Error());
}

// Older list files can hold an empty name that ended the name list early; each path
// beyond the loaded names is listed under the path itself rather than lost. Fails naming a
// list file that is there but could not be read.
std::optional<std::string> ModManager::LoadSaved() {
    std::optional<std::string> unreadable;
    const ListTexts texts = LoadLists(ListFilesOf(m_files), &unreadable);
    std::vector<ModEntry> entries;
    entries.reserve(texts.paths.size());
    for (std::size_t i = 0; i < texts.paths.size(); ++i)
        entries.push_back({i < texts.names.size() ? texts.names[i] : texts.paths[i], texts.paths[i]});
    m_mods.Assign(std::move(entries));
    return unreadable;
}

// Replaced in one step where it can be. The reader held open since the start keeps Windows
// from replacing the file; it is then rewritten in place. The caller holds the lock, which
// keeps other Grenwick processes from writing the same file at the same time.
base::WriteResult ModManager::SaveLastMod(const std::string& path) {
    if (!base::WriteFileDurably(m_files.lastMod, path))
        return base::WriteFileInPlace(m_files.lastMod, path);
    return {};
}

void ModManager::ReportFull() {
    // The list files give back only this many mods; one more would be lost at the next start.
    m_view.ShowMessage("The mod list is full: it keeps at most " + std::to_string(kDefaultRecordLimit) + " mods.");
}

// A % cannot be escaped on a command line, even inside quotes; a device would be read
// from, and run, as if it were a batch file.
bool ModManager::RunsAsTyped(const std::string& path) {
    if (path.find('%') != std::string::npos) {
        m_view.ShowMessage(CannotUseMessage(path, kPercentReason));
        return false;
    }
    if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0) {
        m_view.ShowMessage(CannotUseMessage(path, kPrefixReason));
        return false;
    }
    return true;
}

std::optional<batchfile::ModHeader> ModManager::RunnableHeader(const std::string& path, int lineCount) {
    if (!RunsAsTyped(path))
        return std::nullopt;
    batchfile::ModHeader header = batchfile::ReadModHeader(path, lineCount);
    if (header.kind == base::PathKind::Other) {
        m_view.ShowMessage(CannotUseMessage(path, kDeviceReason));
        return std::nullopt;
    }
    return header;
}

// Only when the lines cannot be had is the file opened again, to say why.
std::optional<std::vector<std::string>> ModManager::RunnableLines(const std::string& path) {
    if (!RunsAsTyped(path))
        return std::nullopt;
    std::optional<std::vector<std::string>> lines = batchfile::ReadAllLines(path);
    if (lines)
        return lines;
    base::PathKind kind = base::PathKind::Missing;
    (void)base::OpenDiskFile(path, kind);
    if (kind == base::PathKind::Other)
        m_view.ShowMessage(CannotUseMessage(path, kDeviceReason));
    else if (kind == base::PathKind::File)
        m_view.ShowMessage("The batch file \"" + path + "\" could not be read" + kNotApplied);
    else
        m_view.ShowMessage("The batch file \"" + path + "\" could not be opened.");
    return std::nullopt;
}

// Every failed write of the manager's files ends here. Where Windows refused for lack of
// rights the message says so, and for a list file it offers to start again as
// administrator; No (the default) leaves the window as it is.
void ModManager::ReportUnwritable(const base::WriteError& error) {
    const bool denied = error.reason == base::WriteError::Reason::AccessDenied;
    const bool rightsMatter = denied && m_rights && !m_rights->Elevated();
    const std::string text = batchfile::NotWrittenMessage(error, rightsMatter);
    const bool listFile = error.file == m_files.names || error.file == m_files.paths;
    if (rightsMatter && listFile && m_rights->MayRestart()) {
        if (m_view.Ask(text + kRestartQuestion, false))
            m_rights->RestartElevated();
        return;
    }
    m_view.ShowMessage(text);
}

std::optional<StoreRecords> ModManager::AppliedMods() {
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    if (const std::optional<StoreError> problem = ReadStore(store)) {
        m_view.ShowMessage(StoreMessage(*problem, ", so the applied mods cannot be shown."));
        return std::nullopt;
    }
    return store.ReleaseRecords();
}

namespace {

std::optional<std::size_t> IndexOfApply(const StoreRecords& records, std::uint64_t number) {
    for (std::size_t i = 0; i < records.applies.size(); ++i)
        if (records.applies[i].number == number)
            return i;
    return std::nullopt;
}

// The files of the applies taken out whose state now is not what the newest of them that
// changed it left: changed outside Grenwick since. The plan holds every later apply that
// changed these files, newest first.
std::vector<std::string> ChangedOutside(const OriginalsStore& store, const TakeOutPlan& plan) {
    std::vector<std::string> changed;
    std::set<std::string> seen;
    for (const std::size_t apply : plan.takeOut) {
        std::set<std::string> since;
        for (const std::string& name : store.ChangedSince(apply))
            since.insert(base::FoldCase(name));
        for (const ApplyEntry& entry : store.Records().applies[apply].entries) {
            const std::string folded = base::FoldCase(entry.before.name);
            if (seen.insert(folded).second && since.count(folded))
                changed.push_back(entry.before.name);
        }
    }
    return changed;
}

// Passes the player's Cancel on only between applies, so that each is taken out whole.
class CancelBetweenApplies final : public ProgressView {
public:
    explicit CancelBetweenApplies(ProgressView* shown) : m_shown(shown) {}
    void Start(const std::string& text, std::uint64_t totalBytes) override {
        if (m_shown)
            m_shown->Start(text, totalBytes);
    }
    bool Advance(std::uint64_t bytes) override {
        if (m_shown && !m_shown->Advance(bytes))
            m_cancelled = true;
        return true;
    }
    void Finish() override {
        if (m_shown)
            m_shown->Finish();
    }
    bool Cancelled() const { return m_cancelled; }

private:
    ProgressView* m_shown;
    bool m_cancelled = false;
};

}  // namespace

// The question and the choice about files changed since are asked before the lock is taken;
// under it the store is read again and each apply is found by its number, so another window's
// change meanwhile is noticed instead of undone.
std::optional<StoreRecords> ModManager::TakeOut(std::uint64_t number) {
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    if (!LoadStoreToPutBack(store))
        return std::nullopt;
    const std::optional<std::size_t> index = IndexOfApply(store.Records(), number);
    if (!index) {
        m_view.ShowMessage("That mod was taken out meanwhile by another Grenwick window.");
        return store.Records();
    }
    const TakeOutPlan plan = PlanTakeOut(store.Records(), *index, &base::FoldCase);
    if (!m_view.Ask(TakeOutQuestion(store.Records(), plan), true))
        return store.Records();
    std::set<std::string> leave;
    const std::vector<std::string> changed = ChangedOutside(store, plan);
    if (!changed.empty() && !m_view.Ask("Put back the files changed outside Grenwick since too? No leaves them as "
                                        "they are." + NameList(changed), false))
        for (const std::string& name : changed)
            leave.insert(base::FoldCase(name));
    std::vector<std::uint64_t> numbers;
    for (const std::size_t apply : plan.takeOut)
        numbers.push_back(store.Records().applies[apply].number);
    std::vector<ModEntry> again;
    for (const std::size_t apply : plan.again)
        again.push_back({store.Records().applies[apply].mod, store.Records().applies[apply].batchPath});
    std::vector<std::string> messages;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        if (const std::optional<StoreError> error = LoadLocked(lock, store))
            messages.push_back(StoreMessage(*error, ", so nothing was taken out."));
        else
            messages = TakeOutLocked(store, numbers, again, leave);
    }
    for (const std::string& message : messages)
        m_view.ShowMessage(message);
    return store.Records();
}

std::vector<std::string> ModManager::TakeOutLocked(OriginalsStore& store, const std::vector<std::uint64_t>& numbers,
                                                   const std::vector<ModEntry>& again,
                                                   const std::set<std::string>& leave) {
    std::vector<std::string> messages, takenOut;
    CancelBetweenApplies progress(m_progress);
    for (const std::uint64_t number : numbers) {
        const std::optional<std::size_t> index = IndexOfApply(store.Records(), number);
        if (!index) {
            messages.push_back("A mod to take out was undone or put back meanwhile by another Grenwick window.");
            break;
        }
        const std::string mod = store.Records().applies[*index].mod;
        const OriginalsStore::PutBackReport report = store.TakeOut(*index, leave, &progress);
        const bool whole = report.failed.empty() && !report.index;
        if (!whole || !Troubles(report, "").empty())
            messages.push_back("Taking out \"" + mod + "\": put back " + Files(report.putBack) + "." +
                               Troubles(report, "stay remembered for a later try:") +
                               (report.index ? "\n\nThe file \"" + report.index->file + "\" could not be written." : ""));
        if (!whole)
            break;
        takenOut.push_back(mod);
        if (progress.Cancelled())
            break;
    }
    const bool allOut = takenOut.size() == numbers.size() && !progress.Cancelled();
    std::vector<std::string> appliedAgain, leftOut;
    for (const ModEntry& entry : again) {
        if (allOut && ApplyAgain(store, entry, messages))
            appliedAgain.push_back(entry.name);
        else
            leftOut.push_back(entry.name);
    }
    std::string summary = takenOut.empty() ? "Nothing was taken out." : "Took out " + QuotedList(takenOut) + ".";
    if (!allOut && takenOut.size() < numbers.size())
        summary += (progress.Cancelled() ? " Cancelled: the others stay applied." : " The others stay applied.");
    if (!appliedAgain.empty())
        summary += "\n\nApplied again: " + QuotedList(appliedAgain) + ".";
    if (!leftOut.empty())
        summary += "\n\nNot applied again: " + QuotedList(leftOut) + ". Apply " +
                   (leftOut.size() == 1 ? "it" : "them") + " from the list once you have seen why.";
    messages.push_back(summary);
    return messages;
}

bool ModManager::ApplyAgain(OriginalsStore& store, const ModEntry& entry, std::vector<std::string>& messages) {
    if (base::KindOf(entry.path) != base::PathKind::File) {
        messages.push_back("The batch file of \"" + entry.name + "\", \"" + entry.path + "\", is gone.");
        return false;
    }
    const std::optional<std::vector<std::string>> lines = RunnableLines(entry.path);
    const std::string gameFolder = base::CurrentFolder();
    const std::optional<KeepPlan> plan =
        lines ? PlanKeep(entry.path, *lines, gameFolder, nullptr) : std::nullopt;
    if (!plan)
        return false;
    std::string problem;
    const std::optional<std::uint64_t> number = KeepOriginals(store, entry, entry.path, *plan, problem);
    if (!number) {
        messages.push_back(problem);
        return false;
    }
    const std::vector<std::string> settled = RunAndSettle(store, *number, entry, *lines, gameFolder);
    messages.insert(messages.end(), settled.begin(), settled.end());
    return true;
}

}  // namespace manager

namespace manager {

// Read as an apply reads: the batch file, the reader over the real disk and the store.
std::optional<ChangePreview> ModManager::WhatChanges(std::optional<std::size_t> selection) {
    if (!selection || *selection >= m_mods.Entries().size()) {
        m_view.ShowMessage(kSelectFirst);
        return std::nullopt;
    }
    const ModEntry entry = InKit(m_mods.Entries()[*selection]);
    const std::optional<std::vector<std::string>> lines = RunnableLines(entry.path);
    if (!lines)
        return std::nullopt;
    const std::string gameFolder = base::CurrentFolder();
    const std::string fullBatch = FullPathOf(entry.path, gameFolder);
    const batchfile::BatchEffects effects = Foresee(*lines, {fullBatch, gameFolder, m_environment});
    OriginalsStore store(m_files.storeRoot, gameFolder);
    const bool read = !ReadStore(store);
    return PreviewChanges(
        PreviewOnDisk(effects, gameFolder, fullBatch, read ? &store.Records() : nullptr, store.Folder()));
}

}  // namespace manager
