// The manager's operations: the mod list and its files, the last-mod file, and every change of
// the store of original files, each planned and asked about first, then made under the lock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"
#include "batchfile/header_reader.h"
#include "base/progress.h"
#include "manager/change_preview.h"
#include "manager/list/mod_list.h"
#include "batchfile/reader/batch_effects.h"
#include "manager/messages.h"
#include "manager/originals/index_format.h"
#include "manager/apply_plan.h"
#include "manager/store_change.h"
#include "manager/store_work.h"

namespace manager {

class OriginalsStore;
struct StoreError;
using base::ProgressView;

// Where the manager keeps its state; the program passes the fixed paths, tests a temp dir.
struct ManagerFiles {
    std::string names;    // name list file
    std::string paths;    // path list file
    std::string lastMod;  // last-mod file
    // Holds one store of original files per game folder, outside every game folder. The
    // window fills it in when the program leaves it empty; with none, no mod runs.
    std::string storeRoot = {};
    // How long a change waits for another Grenwick window's change to end.
    std::chrono::milliseconds lockWait = kStateLockWait;
};

// Runs one command line through the command interpreter and waits for it to end.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual void Run(const std::string& commandLine) = 0;
};

// What the operations need of the window.
class ManagerView {
public:
    virtual ~ManagerView() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // A Yes/No question; true for Yes. `defaultYes` picks the button Enter presses.
    virtual bool Ask(const std::string& text, bool defaultYes) = 0;
    enum class Answer { Yes, No, Cancel };
    // A Yes/No question naming every file in `names`; true for Yes.
    virtual bool AskAboutFiles(const std::string& text, const std::vector<std::string>& names, bool defaultYes) = 0;
    // A Yes/No/Cancel question; Enter presses Cancel.
    virtual Answer AskYesNoCancel(const std::string& text) = 0;
    // Shows `entries` as the whole list, in their order.
    virtual void ShowList(const std::vector<ModEntry>& entries) = 0;
    virtual void CloseApplied() = 0;  // ends the dialog with the OK result, under the close rule
};

// Administrator rights as the platform grants them; the window passes the platform's own.
// A manager without them never speaks of rights.
class AdminRights {
public:
    virtual ~AdminRights() = default;
    virtual bool Elevated() = 0;
    // Whether starting again as administrator may be offered: not under an automation client.
    virtual bool MayRestart() = 0;
    // Starts the program again as administrator and ends this one; false when none started.
    virtual bool RestartElevated() = 0;
};

// A batch file path as one argument for the command interpreter: wrapped in doubled
// quotes, which the interpreter strips to one pair, so that blanks and & ^ ( ) stay
// part of the path.
std::string QuoteForInterpreter(const std::string& path);

class ModManager {
public:
    ModManager(ManagerFiles files, CommandRunner& runner, ManagerView& view,
               NameCompare compare = base::CompareIgnoringCase);

    // Loads both list files, and the last-mod text from the reader opened at start (may be null).
    void StartupLoad(std::FILE* lastModReader);
    // `textExact` is false when the field held characters the code page could not hold,
    // which the text shows as "?"; such a path is refused.
    void AddBatchFile(const std::string& fieldText, bool textExact = true);
    void ApplyMod(std::optional<std::size_t> selection);
    void ShowLastMod();
    void ResetModList();
    // Asks, then removes the pair from the list; its batch file stays where it is.
    void RemoveMod(const ModEntry& entry);
    // Asks, then puts back the game's files kept before mods changed them.
    void RestoreOriginals();
    // Asks, then puts back the files the newest apply changed as they were just before it.
    void UndoLastMod();
    // The applies the store remembers for the game folder, read under the lock; nothing
    // after saying why they cannot be read.
    std::optional<StoreRecords> AppliedMods();
    // Asks, then takes out apply `number`: first the later applies that changed its files,
    // newest first, then it, each as Undo takes out the newest; then applies those later mods
    // again, oldest first. The applies as they are afterwards, or nothing when the store
    // cannot be read.
    std::optional<StoreRecords> TakeOut(std::uint64_t number);
    // What the selected mod would change, foreseen as before an apply; nothing runs and nothing
    // is written. Nothing after saying why there is nothing to show.
    std::optional<ChangePreview> WhatChanges(std::optional<std::size_t> selection);

    void SetAdminRights(AdminRights* rights) { m_rights = rights; }
    // The variables the mods' batch files start with: the process's own.
    void SetEnvironment(std::vector<std::pair<std::string, std::string>> environment) {
        m_environment = std::move(environment);
    }
    // Shows long work on the originals; null shows none.
    void SetProgress(ProgressView* progress) { m_progress = progress; }

    const ModList& Mods() const { return m_mods; }

private:
    // Every change to the saved list goes through here: under the state lock the list is
    // reloaded, `change` edits it by (name, path), and it is saved and shown. When the list
    // is in use or a list file cannot be read or written, a message says so and the list
    // shown is the one saved.
    void ChangeList(const std::function<void(ModList&)>& change);
    // Loads both list files; the name of one that is there but could not be read.
    std::optional<std::string> LoadSaved();
    // Remembers the applied mod's path; the caller holds the lock.
    base::WriteResult SaveLastMod(const std::string& path);
    StoreChange Change() const { return StoreChange(m_files.paths, m_files.lockWait, m_progress); }
    // Reads the store for the questions, offering to set a damaged one aside: its generation, or
    // nothing after saying why it cannot be read (`consequence`: ", so ...").
    std::optional<std::string> ReadToAsk(OriginalsStore& store, const char* consequence);
    // Says why a locked change was not made.
    void Tell(const NotMade& why, const char* consequence);
    bool OfferSetAside(OriginalsStore& store, const StoreError& error);
    bool OfferMovedStore(OriginalsStore& store);

    ApplyPlan ReadPlan(const ModEntry& entry, std::string runPath, std::vector<std::string> lines,
                       std::string& refusal) const;
    // The plan of an apply, asking every question it needs; nothing when the player cancels or
    // the mod may not run (after saying why). `again` names the mod a take-out applies again.
    // A refusal goes to `refusal` when it is given, else to a message.
    std::optional<ApplyPlan> PlanApply(const ModEntry& entry, std::string runPath, std::vector<std::string> lines,
                                       const StoreRecords* applied, const std::string& again,
                                       std::string* refusal = nullptr);
    // The plan of applying again a mod the store remembers, from the batch file it recorded;
    // false when the player cancels.
    bool PlanAgain(AgainStep& step, const std::set<std::string>& leave);
    StoreWork Work() const { return StoreWork(m_runner, m_progress, m_environment); }
    // At the start: the mods a take-out a kill stopped had not yet applied again.
    void FinishTakeOut(const std::vector<AgainEntry>& pending);

    // Says which file (a list file or the last-mod file) could not be written, and why.
    void ReportUnwritable(const base::WriteError& error);
    // False after saying why the path cannot run as typed.
    bool RunsAsTyped(const std::string& path);
    // The header of `path`, or nothing after saying why the path cannot run as typed.
    std::optional<batchfile::ModHeader> RunnableHeader(const std::string& path, int lineCount);
    // The lines of the batch file `path`, read once, or nothing after saying why it does not run.
    std::optional<std::vector<std::string>> RunnableLines(const std::string& path);

    ManagerFiles m_files;
    CommandRunner& m_runner;
    ManagerView& m_view;
    ModList m_mods;
    std::string m_lastModText;
    AdminRights* m_rights = nullptr;
    std::vector<std::pair<std::string, std::string>> m_environment;
    ProgressView* m_progress = nullptr;
};

}  // namespace manager
