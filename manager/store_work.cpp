// The store's changes under the state lock: an apply's keep, run and settle, and a take-out
// with its later mods applied again.
#include "manager/store_work.h"

#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/held_files.h"
#include "base/paths.h"
#include "base/test_hook.h"
#include "batchfile/header_reader.h"
#include "manager/foresee.h"
#include "manager/mod_manager.h"
#include "manager/originals/store_error.h"

namespace manager {
namespace {

constexpr char kPause[] = "PAUSE";

// Names as the store names them: relative inside the game folder, full outside it, folded.
std::set<std::string> StoreNames(const std::vector<std::string>& fullPaths, const std::string& gameFolder) {
    std::set<std::string> names;
    for (const std::string& path : fullPaths)
        names.insert(base::FoldCase(base::PlaceInFolder(path, gameFolder).name));
    return names;
}

// The store's folder, every file noted in it and every folder between, to hold during a run.
std::vector<std::string> HeldPaths(const std::string& folder, const FolderNotes& notes) {
    std::set<std::string> paths{folder};
    for (const auto& [key, file] : notes)
        for (std::string name = file.name; !name.empty(); name = base::ParentFolder(name))
            paths.insert(base::Join(folder, name));
    return {paths.begin(), paths.end()};
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

// Whether the reader, asked again once the take-outs are made, finds the mod changing no more
// than its plan was asked about: no line it cannot follow that the question did not name, and
// no file the player chose to leave that the plan did not name.
bool WithinPlan(const batchfile::BatchEffects& now, const ApplyPlan& plan, const std::set<std::string>& leave,
                const std::string& gameFolder) {
    for (const batchfile::UnfollowedLine& line : now.unfollowed) {
        bool asked = false;
        for (const batchfile::UnfollowedLine& planned : plan.foreseen.unfollowed)
            asked = asked || (planned.file == line.file && planned.number == line.number);
        if (!asked)
            return false;
    }
    const std::set<std::string> planned = StoreNames(plan.foreseen.changed, gameFolder);
    for (const std::string& name : StoreNames(now.changed, gameFolder))
        if (leave.count(name) && !planned.count(name))
            return false;
    return true;
}

}  // namespace

// Before a mod runs, the files it will change are kept; when one cannot be, it does not run.
// Around the run the game folder is noted, so that what the run changed unforeseen is known.
std::optional<std::uint64_t> StoreWork::Apply(OriginalsStore& store, const ApplyPlan& plan, std::string& refused,
                                             text::RunNews& news) const {
    if (plan.whole) {
        const std::optional<std::uint64_t> free =
            base::MakeFolders(store.Folder()) ? base::FreeSpace(store.Folder()) : std::nullopt;
        if (!free || *free < plan.wholeBytes) {
            refused = text::NoRoomForEveryFile(store.Folder(), plan.wholeBytes, free.value_or(0));
            base::RemoveEmptyFolder(store.Folder());
            return std::nullopt;
        }
    }
    const OriginalsStore::KeepResult kept = store.Keep(plan.entry.name, plan.fullBatch,
                                                       static_cast<std::int64_t>(std::time(nullptr)), plan.keep,
                                                       m_progress);
    if (!kept.number) {
        refused = kept.error ? text::StoreMessage(*kept.error, text::kNotApplied) : std::string();
        return std::nullopt;
    }
    const std::string gameFolder = base::CurrentFolder();
    const FolderNotes before = NoteFolder(gameFolder);
    // Should the run never end, the next start settles it from this note, held with the store.
    store.BeginRun(*kept.number, before);
    const FolderNotes storeBefore = NoteFolder(store.Folder());
    {
        const base::HeldFiles held(HeldPaths(store.Folder(), storeBefore));
        m_runner.Run(QuoteForInterpreter(plan.runPath));
        // A PPF mod's batch file runs the patcher, whose report stays on screen until a key.
        if (plan.lines.size() > 1 && batchfile::PpfTextOf(plan.lines[1]))
            m_runner.Run(kPause);
        base::TestPoint("running");
    }
    // The store as the run found it: its index is written again from what this window holds,
    // and a copy changed meanwhile fails its hash when put back.
    for (const std::string& name : ChangedFiles(storeBefore, NoteFolder(store.Folder())))
        news.storeChanged.push_back(base::Join(store.Folder(), name));
    news.settled = store.Settle(*kept.number, before, NoteFolder(gameFolder));
    if (!news.settled.index)
        store.EndRun();  // else the note stays, and the next start settles the run
    return kept.number;
}

// Newest first, each whole or not at all: the progress window's Cancel is taken between them.
// Only the later mods that went are applied again; the others are still applied.
StoreWork::TakeOutDone StoreWork::TakeOut(OriginalsStore& store, const std::vector<std::uint64_t>& numbers,
                                          const std::vector<AgainStep>& steps,
                                          const std::set<std::string>& leave) const {
    TakeOutDone done;
    CancelBetweenApplies progress(m_progress);
    std::set<std::uint64_t> gone;
    for (const std::uint64_t taken : numbers) {
        // Found: the store is the one the questions were about.
        const std::optional<std::size_t> at = IndexOfApply(store.Records(), taken);
        if (!at)
            break;
        text::TakenOut result{store.Records().applies[*at].mod, store.TakeOut(*at, leave, &progress)};
        result.whole = !IndexOfApply(store.Records(), taken);
        done.out.push_back(result);
        if (!result.whole || progress.Cancelled())
            break;
        gone.insert(taken);
    }
    done.cancelled = progress.Cancelled();
    // Only the later mods that went are applied again; the others are still applied.
    std::vector<AgainStep> due;
    for (const AgainStep& step : steps)
        if (gone.count(step.number))
            due.push_back(step);
    done.again = ApplyAgain(store, due, leave, done.messages);
    return done;
}

// Oldest first. The disk is now as the take-outs left it, so the reader is asked again and a
// mod runs only when it changes no more than its questions were about. The store remembers
// which are still to run, so that a kill between them is finished at the next start. A run
// that left every file it was to write as it was did not run (a patch that no longer fits is
// refused whole): what it did is put back and it is named.
std::vector<text::AgainResult> StoreWork::ApplyAgain(OriginalsStore& store, const std::vector<AgainStep>& steps,
                                                      const std::set<std::string>& leave,
                                                      std::vector<std::string>& messages) const {
    std::vector<text::AgainResult> results;
    std::vector<AgainEntry> pending;
    for (const AgainStep& step : steps)
        if (step.plan)
            pending.push_back(step.mod);
    if (!pending.empty())
        (void)store.SetAgain(pending);
    const std::string gameFolder = base::CurrentFolder();
    for (const AgainStep& step : steps) {
        text::AgainResult result = step.result;
        if (step.plan) {
            base::TestPoint("applying-again");
            ApplyPlan plan = *step.plan;
            plan.foreseen = batchfile::EffectsOf(plan.lines, ContextOnDisk(plan.fullBatch, gameFolder, m_environment));
            plan.keep.insert(plan.keep.end(), plan.foreseen.changed.begin(), plan.foreseen.changed.end());
            std::string refused;
            text::RunNews news;
            if (!WithinPlan(plan.foreseen, *step.plan, leave, gameFolder)) {
                result.fate = text::AgainFate::ReadsOtherwise;
            } else if (const std::optional<std::uint64_t> number = Apply(store, plan, refused, news); !number) {
                result.fate = text::AgainFate::NotKept;
                result.detail = refused;
            } else {
                // The files it was to write; a file it deletes may have been gone already.
                std::set<std::string> written = StoreNames(plan.foreseen.changed, gameFolder);
                for (const std::string& name : StoreNames(plan.foreseen.deleted, gameFolder))
                    written.erase(name);
                std::vector<std::string> unchanged;
                for (const std::string& name : news.settled.unchanged)
                    if (written.count(base::FoldCase(name)))
                        unchanged.push_back(name);
                if (!written.empty() && unchanged.size() == written.size()) {
                    (void)store.UndoNewest({}, m_progress);
                    result.fate = text::AgainFate::DidNotRun;
                    result.detail = text::JoinedNames(unchanged);
                } else {
                    result.fate = text::AgainFate::Applied;
                    const std::vector<std::string> told = text::AfterRun(news, step.mod.mod);
                    messages.insert(messages.end(), told.begin(), told.end());
                }
            }
            pending.erase(pending.begin());
            (void)store.SetAgain(pending);
        }
        results.push_back(result);
    }
    return results;
}

}  // namespace manager
