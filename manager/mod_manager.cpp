// The manager's operations: start-up load, add, apply, show last mod, reset, remove one mod, and
// every change of the store of original files. Each change of the store has one shape: the store
// is read and every question asked without the lock; then, under the lock, the store is read
// again and changed only when it is still the store the answers were about, with no question or
// message; then the message is made from what really happened.
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
#include "base/paths.h"
#include "base/text.h"
#include "base/write_messages.h"
#include "batchfile/header_reader.h"
#include "manager/foresee.h"
#include "manager/list/list_file.h"
#include "manager/list/list_pair.h"
#include "manager/originals/applied_mods.h"
#include "manager/originals/originals_store.h"
#include "manager/originals/store_error.h"
#include "manager/state_lock.h"
#include "manager/store_work.h"

namespace manager {
namespace {

using text::kNotApplied;

// The longest full path the command interpreter takes as its current folder: a folder of
// MAX_PATH less the backslash it adds and the ending null.
constexpr std::size_t kLongestRunFolder = 258;

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

std::string FullPathOf(const std::string& path, const std::string& folder) {
    return base::IsRooted(path) ? path : base::Join(folder, path);
}

std::size_t Utf16Units(const std::string& utf8) {
    const std::optional<std::u16string> wide = base::Utf16Of(utf8);
    return wide ? wide->size() : utf8.size();
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
    std::vector<AgainEntry> pending;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        if (!lock.InUse()) {
            (void)SettleLists(ListFilesOf(m_files));
            // What a kill left half made goes, and a run it stopped is settled; the store is
            // read as a whole or not at all.
            if (OriginalsStore store(m_files.storeRoot, base::CurrentFolder()); !store.Load(m_progress)) {
                store.RemoveTempFiles();
                unended = store.Unended();
                pending = store.Records().again;
            }
        }
        (void)LoadSaved();
    }
    m_view.ShowList(m_mods.Entries());
    // The player hears of a run that never ended only when it lost an original.
    if (unended && !unended->unrecoverable.empty())
        m_view.ShowMessage(text::UnendedRun(unended->mod, unended->unrecoverable));
    if (lastModReader)
        m_lastModText = batchfile::ReadLine(lastModReader).value_or(std::string());
    if (!pending.empty())
        FinishTakeOut(pending);
}

void ModManager::AddBatchFile(const std::string& fieldText, bool textExact) {
    if (base::IsBlank(fieldText))
        return;  // an empty path would end both lists at the next start
    if (m_mods.Entries().size() >= kDefaultRecordLimit) {
        m_view.ShowMessage(text::ListFull(kDefaultRecordLimit));
        return;
    }
    const std::string path = base::Utf8OfAnsi(fieldText);
    if (fieldText.size() > kDefaultRecordSize) {
        m_view.ShowMessage(text::PathTooLong(path, kDefaultRecordSize));
        return;
    }
    if (!textExact) {
        m_view.ShowMessage(text::CannotUse(path, text::PathRefusal::Inexact));
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
        m_view.ShowMessage(text::ListFull(kDefaultRecordLimit));
}

void ModManager::ApplyMod(std::optional<std::size_t> selection) {
    if (!selection || *selection >= m_mods.Entries().size()) {
        m_view.ShowMessage(text::kSelectFirst);
        return;
    }
    const ModEntry listed = m_mods.Entries()[*selection];
    const ModEntry entry = InKit(listed);
    std::optional<std::vector<std::string>> lines = RunnableLines(entry.path);
    if (!lines)
        return;  // an older list can hold a path that is refused at add today
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    const std::optional<std::string> generation = ReadToAsk(store, kNotApplied);
    if (!generation)
        return;
    const std::optional<ApplyPlan> plan = PlanApply(entry, entry.path, std::move(*lines), &store.Records(), "");
    if (!plan)
        return;
    std::optional<std::uint64_t> number;
    std::string refused;
    text::RunNews news;
    base::WriteResult lastMod;
    // One lock from keeping the originals through the run to noting what it changed and
    // remembering the mod: no other window changes the store while the mod runs.
    if (const std::optional<NotMade> notMade = Change().Make(store, *generation, [&](OriginalsStore& locked) {
            if ((number = Work().Apply(locked, *plan, refused, news)))
                lastMod = SaveLastMod(listed.path);
        })) {
        Tell(*notMade, kNotApplied);
        return;
    }
    if (!number) {
        if (!refused.empty())
            m_view.ShowMessage(refused);
        return;
    }
    for (const std::string& message : text::AfterRun(news, entry.name))
        m_view.ShowMessage(message);
    if (!lastMod)
        ReportUnwritable(lastMod.Error());
    m_view.ShowMessage(text::kDone);
    m_view.CloseApplied();
}

// What the mod will change, read as the command interpreter will run it; `refusal` says why it
// may not run at all. Asks nothing and changes nothing: an apply's questions and the window that
// shows what a mod changes both start from it.
ApplyPlan ModManager::ReadPlan(const ModEntry& entry, std::string runPath, std::vector<std::string> lines,
                               std::string& refusal) const {
    const std::string gameFolder = base::CurrentFolder();
    ApplyPlan plan{entry, std::move(runPath), FullPathOf(entry.path, gameFolder), std::move(lines)};
    // The mod runs in the game folder: one the command interpreter cannot enter would run
    // nothing while Grenwick says "Done!".
    if (const std::size_t units = Utf16Units(gameFolder); units > kLongestRunFolder) {
        refusal = text::GameFolderTooLong(gameFolder, units, kLongestRunFolder);
        return plan;
    }
    const batchfile::ReaderContext context = ContextOnDisk(plan.fullBatch, gameFolder, m_environment);
    plan.foreseen = batchfile::EffectsOf(plan.lines, context);
    const OwnFiles own(m_files, gameFolder);
    for (const std::string& path : plan.foreseen.changed) {
        if (!own.Holds(path))
            continue;
        const std::size_t number =
            FirstLineReaching(plan.lines, context, [&](const std::string& p) { return own.Holds(p); }).value_or(0);
        // The line's bytes in the console's code page, as the interpreter reads it.
        const std::string line =
            number > 0 ? base::Utf8OfCodePage(plan.lines[number - 1], base::OemCodePage()).value_or(path) : path;
        refusal = text::ReachesOwnFiles(number, line);
        break;
    }
    plan.keep = plan.foreseen.changed;
    return plan;
}

// Where the reader cannot follow a line, the player picks between keeping every file first,
// keeping what is foreseen, and not applying the mod.
std::optional<ApplyPlan> ModManager::PlanApply(const ModEntry& entry, std::string runPath,
                                               std::vector<std::string> lines, const StoreRecords* applied,
                                               const std::string& again, std::string* refusal) {
    std::string refused;
    ApplyPlan plan = ReadPlan(entry, std::move(runPath), std::move(lines), refused);
    if (!refused.empty()) {
        if (refusal)
            *refusal = refused;
        else
            m_view.ShowMessage(refused);
        return std::nullopt;
    }
    const std::string gameFolder = base::CurrentFolder();
    if (applied) {
        std::vector<std::string> names;
        for (const std::string& path : plan.foreseen.changed)
            names.push_back(base::PlaceInFolder(path, gameFolder).name);
        const std::vector<Overwritten> over = OverwrittenFiles(*applied, names, plan.fullBatch, &base::FoldCase);
        if (!over.empty() && !m_view.Ask(text::OverwriteQuestion(over), true))
            return std::nullopt;
    }
    if (plan.foreseen.unfollowed.empty())
        return plan;
    std::vector<std::string> everything;
    for (const base::TreeFile& file : base::WalkFolder(gameFolder)) {
        everything.push_back(file.name);
        plan.wholeBytes += file.size;
    }
    const ManagerView::Answer answer = m_view.AskYesNoCancel(
        text::UnfollowedQuestion(plan.foreseen.unfollowed, plan.fullBatch, everything.size(), plan.wholeBytes, again));
    if (answer == ManagerView::Answer::Cancel)
        return std::nullopt;
    plan.whole = answer == ManagerView::Answer::Yes;
    if (plan.whole)
        plan.keep.insert(plan.keep.end(), everything.begin(), everything.end());
    return plan;
}

void ModManager::ShowLastMod() { m_view.ShowMessage(base::Utf8OfAnsi(m_lastModText)); }

void ModManager::ResetModList() {
    ChangeList([](ModList& mods) { mods.Clear(); });
}

void ModManager::RemoveMod(const ModEntry& entry) {
    const ModEntry shown = InKit(entry);
    if (m_view.Ask(text::RemoveQuestion(shown.name, shown.path), true))
        ChangeList([&](ModList& mods) { mods.Remove(entry); });
}

void ModManager::RestoreOriginals() {
    const std::string gameFolder = base::CurrentFolder();
    OriginalsStore store(m_files.storeRoot, gameFolder);
    std::optional<std::string> generation = ReadToAsk(store, text::kNothingPutBack);
    if (!generation)
        return;
    if (store.FirstOriginals().empty() && OfferMovedStore(store) && !(generation = ReadToAsk(store, text::kNothingPutBack)))
        return;
    std::vector<std::string> inside, outside, lost;
    for (const OriginalsStore::Original& original : store.FirstOriginals()) {
        const std::string& name = original.entry->before.name;
        if (original.entry->before.kind == EntryKind::Lost)
            lost.push_back(name);
        else
            (PlaceOfName(name, gameFolder, &base::FoldCase) == NamePlace::Outside ? outside : inside).push_back(name);
    }
    const std::size_t count = inside.size() + outside.size();
    if (count == 0 && lost.empty()) {
        m_view.ShowMessage(text::kNothingKept);
        return;
    }
    inside.insert(inside.end(), outside.begin(), outside.end());
    if (!m_view.AskAboutFiles(text::RestoreQuestion(count, lost), inside, true))
        return;
    OriginalsStore::PutBackReport report;
    std::size_t kept = 0;
    if (const std::optional<NotMade> notMade = Change().Make(store, *generation, [&](OriginalsStore& locked) {
            for (const OriginalsStore::Original& original : locked.FirstOriginals())
                kept += original.entry->before.kind != EntryKind::Lost;
            report = locked.Restore(m_progress);
        })) {
        Tell(*notMade, text::kNothingPutBack);
        return;
    }
    m_view.ShowMessage(text::RestoreReport(report, kept));
}

void ModManager::UndoLastMod() {
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    const std::optional<std::string> generation = ReadToAsk(store, text::kNothingPutBack);
    if (!generation)
        return;
    if (store.Records().applies.empty()) {
        m_view.ShowMessage(text::kNothingToUndo);
        return;
    }
    const ApplyRecord& newest = store.Records().applies.back();
    const std::string mod = newest.mod;
    std::vector<std::string> names;
    for (const ApplyEntry& entry : newest.entries)
        names.push_back(entry.before.name);
    const std::vector<std::string> changed = store.ChangedSince();
    if (!m_view.Ask(text::UndoQuestion(mod, names, changed), true))
        return;
    std::set<std::string> leave;
    if (!changed.empty() && !m_view.Ask(text::PutBackChangedQuestion(mod, changed), false))
        for (const std::string& name : changed)
            leave.insert(base::FoldCase(name));
    if (leave.size() == names.size()) {
        // Nothing would be put back: the apply stays as it is, and the player is told so
        // rather than "put back 0 files".
        m_view.ShowMessage(text::NothingUndone(mod));
        return;
    }
    OriginalsStore::PutBackReport report;
    if (const std::optional<NotMade> notMade = Change().Make(
            store, *generation, [&](OriginalsStore& locked) { report = locked.UndoNewest(leave, m_progress); })) {
        Tell(*notMade, text::kNothingPutBack);
        return;
    }
    m_view.ShowMessage(text::UndoReport(mod, report));
}

std::optional<StoreRecords> ModManager::AppliedMods() {
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    if (const std::optional<StoreError> problem = Change().Read(store)) {
        m_view.ShowMessage(text::StoreMessage(*problem, ", so the applied mods cannot be shown."));
        return std::nullopt;
    }
    return store.ReleaseRecords();
}

// Every question comes first: whether to take the mod out, whether to put back files changed
// outside Grenwick, and each later mod's own questions about being applied again. Under the lock
// the store must still be the one asked about; the take-outs, then the applies again, are made
// without a word, and one message says what happened to each.
std::optional<StoreRecords> ModManager::TakeOut(std::uint64_t number) {
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    const std::optional<std::string> generation = ReadToAsk(store, text::kNothingTakenOut);
    if (!generation)
        return std::nullopt;
    const std::optional<std::size_t> index = IndexOfApply(store.Records(), number);
    if (!index) {
        m_view.ShowMessage(text::kTakenOutMeanwhile);
        return store.Records();
    }
    const TakeOutPlan plan = PlanTakeOut(store.Records(), *index, &base::FoldCase);
    if (!m_view.Ask(text::TakeOutQuestion(store.Records(), plan), true))
        return store.Records();
    std::set<std::string> leave;
    const std::vector<std::string> changed = ChangedOutside(store, plan);
    if (!changed.empty() && !m_view.Ask(text::TakeOutChangedQuestion(changed), false))
        for (const std::string& name : changed)
            leave.insert(base::FoldCase(name));
    std::vector<std::uint64_t> numbers;
    for (const std::size_t apply : plan.takeOut)
        numbers.push_back(store.Records().applies[apply].number);
    std::vector<AgainStep> steps;
    for (const std::size_t apply : plan.again) {
        const ApplyRecord& record = store.Records().applies[apply];
        AgainStep step{record.number, AgainEntry{record.mod, record.batchPath}, std::nullopt, {record.mod}};
        if (!PlanAgain(step, leave))
            return store.Records();
        steps.push_back(std::move(step));
    }
    StoreWork::TakeOutDone done;
    if (const std::optional<NotMade> notMade = Change().Make(store, *generation, [&](OriginalsStore& locked) {
            done = Work().TakeOut(locked, numbers, steps, leave);
        })) {
        Tell(*notMade, text::kNothingTakenOut);
        return store.Records();
    }
    for (const std::string& message : done.messages)
        m_view.ShowMessage(message);
    m_view.ShowMessage(text::TakeOutReport(done.out, numbers.size(), done.cancelled, done.again));
    return store.Records();
}

// A batch file inside the game folder runs by its name from there, as it ran from the list:
// the game folder's own name, whatever characters it holds, never reaches the command line.
bool ModManager::PlanAgain(AgainStep& step, const std::set<std::string>& leave) {
    const std::string gameFolder = base::CurrentFolder();
    const base::FolderPlace place = base::PlaceInFolder(step.mod.batchPath, gameFolder);
    const std::string runPath = place.inside ? place.name : step.mod.batchPath;
    text::AgainResult& result = step.result;
    if (base::KindOf(step.mod.batchPath) != base::PathKind::File) {
        result.fate = text::AgainFate::Gone;
        result.detail = "\"" + step.mod.batchPath + "\"";
        return true;
    }
    if (!place.inside && runPath.find('%') != std::string::npos) {
        result.fate = text::AgainFate::Refused;
        result.detail = text::CannotUse(runPath, text::PathRefusal::Percent);
        return true;
    }
    std::optional<std::vector<std::string>> lines = batchfile::ReadAllLines(step.mod.batchPath);
    if (!lines) {
        result.fate = text::AgainFate::Refused;
        result.detail = text::BatchUnreadable(step.mod.batchPath);
        return true;
    }
    std::string refusal;
    step.plan = PlanApply({step.mod.mod, step.mod.batchPath}, runPath, std::move(*lines), nullptr, step.mod.mod,
                          &refusal);
    if (!step.plan) {
        result.fate = text::AgainFate::Refused;
        result.detail = refusal;
        return !refusal.empty();  // else the player cancelled the take-out
    }
    // A file the player chose to leave as it is stays so unless the player agrees here.
    std::vector<std::string> left;
    for (const std::string& path : step.plan->foreseen.changed) {
        const std::string name = base::PlaceInFolder(path, gameFolder).name;
        if (leave.count(base::FoldCase(name)))
            left.push_back(name);
    }
    if (!left.empty() && !m_view.Ask(text::AgainOverLeftQuestion(step.mod.mod, left), false)) {
        step.plan.reset();
        result.fate = text::AgainFate::LeftOut;
    }
    return true;
}

// The player may apply them again now, each asked about as any apply, or leave them out.
void ModManager::FinishTakeOut(const std::vector<AgainEntry>& pending) {
    std::vector<std::string> mods;
    for (const AgainEntry& entry : pending)
        mods.push_back(entry.mod);
    const bool again = m_view.Ask(text::UnfinishedAgainQuestion(mods), true);
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    const std::optional<std::string> generation = ReadToAsk(store, kNotApplied);
    if (!generation)
        return;
    std::vector<AgainStep> steps;
    for (std::size_t i = 0; again && i < store.Records().again.size(); ++i) {
        AgainStep step{0, store.Records().again[i], std::nullopt, {store.Records().again[i].mod}};
        if (!PlanAgain(step, {}))
            return;  // asked again at the next start
        steps.push_back(std::move(step));
    }
    std::vector<text::AgainResult> results;
    std::vector<std::string> messages;
    if (const std::optional<NotMade> notMade = Change().Make(store, *generation, [&](OriginalsStore& locked) {
            results = Work().ApplyAgain(locked, steps, {}, messages);
            (void)locked.SetAgain({});
        })) {
        Tell(*notMade, kNotApplied);
        return;
    }
    for (const std::string& message : messages)
        m_view.ShowMessage(message);
    if (again)
        m_view.ShowMessage(text::TakeOutReport({}, 0, false, results));
}

// Under the lock the list is read as it is on disk now, so a change made meanwhile in
// another window is kept, changed and saved as one; the window then shows what was saved.
// Messages wait until the lock is let go: a message box is open for as long as the user likes.
void ModManager::ChangeList(const std::function<void(ModList&)>& change) {
    base::WriteResult saved;
    {
        StateLock lock(m_files.paths, m_files.lockWait);
        if (lock.InUse()) {
            m_view.ShowMessage(text::kListInUse);
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

std::optional<std::string> ModManager::ReadToAsk(OriginalsStore& store, const char* consequence) {
    std::optional<StoreError> problem = Change().Read(store);
    if (problem && OfferSetAside(store, *problem))
        problem = Change().Read(store);
    if (!problem)
        return store.Generation();
    m_view.ShowMessage(text::StoreMessage(*problem, consequence));
    return std::nullopt;
}

void ModManager::Tell(const NotMade& why, const char* consequence) {
    m_view.ShowMessage(why.error ? text::StoreMessage(*why.error, consequence) : text::ChangedMeanwhile(consequence));
}

// After the player moves the game folder, its store still names the old place: offered (No
// by default) to use it here. True when it now is this folder's store.
bool ModManager::OfferMovedStore(OriginalsStore& store) {
    const std::optional<OriginalsStore::MovedStore> moved = store.FindMovedStore();
    if (!moved || !m_view.Ask(text::MovedStoreQuestion(moved->gameFolder), false))
        return false;
    std::optional<StoreError> problem;
    if (const std::optional<NotMade> notMade = Change().Make(store, store.Generation(), [&](OriginalsStore& locked) {
            if (locked.Records().applies.empty())
                problem = locked.AdoptMovedStore(*moved);
        })) {
        Tell(*notMade, text::kNothingPutBack);
        return false;
    }
    if (problem)
        m_view.ShowMessage(text::StoreMessage(*problem, text::kNothingPutBack));
    return !problem;
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
    if (!m_view.Ask(text::SetAsideQuestion(error, aside), false))
        return false;
    const std::optional<base::WriteResult> moved = Change().SetAside(store, error.file, aside);
    if (!moved)
        return false;
    if (!*moved)
        ReportUnwritable(moved->Error());
    return static_cast<bool>(*moved);
}

// A % cannot be escaped on a command line, even inside quotes; a device would be read
// from, and run, as if it were a batch file.
bool ModManager::RunsAsTyped(const std::string& path) {
    if (path.find('%') != std::string::npos) {
        m_view.ShowMessage(text::CannotUse(path, text::PathRefusal::Percent));
        return false;
    }
    if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0) {
        m_view.ShowMessage(text::CannotUse(path, text::PathRefusal::Prefix));
        return false;
    }
    return true;
}

std::optional<batchfile::ModHeader> ModManager::RunnableHeader(const std::string& path, int lineCount) {
    if (!RunsAsTyped(path))
        return std::nullopt;
    batchfile::ModHeader header = batchfile::ReadModHeader(path, lineCount);
    if (header.kind == base::PathKind::Other) {
        m_view.ShowMessage(text::CannotUse(path, text::PathRefusal::Device));
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
        m_view.ShowMessage(text::CannotUse(path, text::PathRefusal::Device));
    else if (kind == base::PathKind::File)
        m_view.ShowMessage(text::BatchUnreadable(path));
    else
        m_view.ShowMessage(text::BatchUnopened(path));
    return std::nullopt;
}

// Every failed write of the manager's files ends here. Where Windows refused for lack of
// rights the message says so, and for a list file it offers to start again as
// administrator; No (the default) leaves the window as it is.
void ModManager::ReportUnwritable(const base::WriteError& error) {
    const bool denied = error.reason == base::WriteError::Reason::AccessDenied;
    const bool rightsMatter = denied && m_rights && !m_rights->Elevated();
    const std::string text = base::NotWrittenMessage(error, rightsMatter);
    const bool listFile = error.file == m_files.names || error.file == m_files.paths;
    if (rightsMatter && listFile && m_rights->MayRestart()) {
        if (m_view.Ask(text + text::kRestartQuestion, false))
            m_rights->RestartElevated();
        return;
    }
    m_view.ShowMessage(text);
}

}  // namespace manager

namespace manager {

// Read as an apply reads: the batch file, the reader over the real disk and the store.
// The same reading an apply's questions start from, over the store as it lies: nothing runs,
// nothing is written, and no lock is taken.
std::optional<ChangePreview> ModManager::WhatChanges(std::optional<std::size_t> selection) {
    if (!selection || *selection >= m_mods.Entries().size()) {
        m_view.ShowMessage(text::kSelectFirst);
        return std::nullopt;
    }
    const ModEntry entry = InKit(m_mods.Entries()[*selection]);
    std::optional<std::vector<std::string>> lines = RunnableLines(entry.path);
    if (!lines)
        return std::nullopt;
    std::string refusal;
    DiskAnswers asked;  // each file's size as the reader finds it, not asked again
    const ApplyPlan plan = ReadPlan(entry, entry.path, std::move(*lines), refusal);
    OriginalsStore store(m_files.storeRoot, base::CurrentFolder());
    const bool read = !store.Read();  // a look that writes nothing needs no lock
    ChangePreview preview = PreviewChanges(PreviewOnDisk(plan.foreseen, base::CurrentFolder(), plan.fullBatch,
                                                         read ? &store.Records() : nullptr, store.Folder(), &asked));
    if (!refusal.empty()) {
        preview.summary = refusal + "\n\n" + preview.summary;
        if (preview.finishSummary)
            preview.finishSummary = [refusal, finish = std::move(preview.finishSummary)] {
                return refusal + "\n\n" + finish();
            };
    }
    return preview;
}

}  // namespace manager
