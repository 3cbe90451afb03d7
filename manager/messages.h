// Every text the manager's operations show: the questions asked before a change and the
// messages made from what a change really did. Nothing here looks at the disk or the lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batchfile/reader/reader_context.h"
#include "manager/originals/applied_mods.h"
#include "manager/originals/originals_store.h"

namespace manager::text {

inline constexpr char kSelectFirst[] = "Please select a mod first!";
inline constexpr char kDone[] = "Done!";
inline constexpr char kListInUse[] =
    "The mod list is in use by another Grenwick window and could not be changed. Please try again.";
inline constexpr char kNotApplied[] = ", so the mod was not applied. Nothing has changed.";
inline constexpr char kNothingPutBack[] = ", so nothing was put back.";
inline constexpr char kNothingTakenOut[] = ", so nothing was taken out.";
inline constexpr char kRestoreName[] = "\"Restore original files...\"";
inline constexpr char kRestartQuestion[] = "\n\nStart Grenwick again as administrator?";
inline constexpr char kNothingKept[] =
    "Grenwick keeps no original files for this game folder, so there is nothing to put back.";
inline constexpr char kNothingToUndo[] = "No applied mod is remembered, so there is nothing to undo.";
inline constexpr char kTakenOutMeanwhile[] = "That mod was taken out meanwhile by another Grenwick window.";

// Why a typed path cannot be handed to the command interpreter as it is.
enum class PathRefusal { Percent, Inexact, Device, Prefix };
std::string CannotUse(const std::string& path, PathRefusal why);
std::string PathTooLong(const std::string& path, std::size_t recordSize);
std::string ListFull(std::size_t limit);
std::string BatchUnreadable(const std::string& path);
std::string BatchUnopened(const std::string& path);

std::string Files(std::size_t count);
// Each name in quotes: "\"a\"", "\"a\" and \"b\"", "\"a\", \"b\" and \"c\"".
std::string QuotedList(const std::vector<std::string>& names);
// What went wrong with the store as the start of a sentence, then `consequence` (", so ..."),
// then why where the player can act on it ("The disk is full.").
std::string StoreMessage(const StoreError& error, const std::string& consequence);
// What is damaged in an index that cannot be used: "its check line does not match ...".
std::string DamageText(const StoreError& error);
// One indented name a line, the first three of them, then how many more there are.
std::string NameList(const std::vector<std::string>& names);
// Every name, one a line.
std::string FullNameList(const std::vector<std::string>& names);
// The same names without the line break before the first.
std::string JoinedNames(const std::vector<std::string>& names);

// Another window changed the store between a question and its answer: nothing was done.
std::string ChangedMeanwhile(const std::string& consequence);

// The game folder is too long a path for the command interpreter's current folder.
std::string GameFolderTooLong(const std::string& gameFolder, std::size_t units, std::size_t limit);
// A line of the mod reaches Grenwick's own files.
std::string ReachesOwnFiles(std::size_t lineNumber, const std::string& line);
// Before an apply over files a mod still applied changed last; the pointer to the whole list
// ends it when it names fewer than all.
std::string OverwriteQuestion(const std::vector<Overwritten>& files);
// The Yes/No/Cancel question about lines no reader can follow; `again` names the mod when it
// is one a take-out applies again.
std::string UnfollowedQuestion(const std::vector<batchfile::UnfollowedLine>& lines, const std::string& batchPath,
                               std::size_t everyFile, std::uint64_t everyByte, const std::string& again);
std::string NoRoomForEveryFile(const std::string& storeFolder, std::uint64_t needed, std::uint64_t free);
// What the player must hear after a run: the store's files changed, the index unwritten, files
// with no original kept.
struct RunNews {
    std::vector<std::string> storeChanged;  // full paths of the store's files the run changed
    OriginalsStore::SettleResult settled;
};
std::vector<std::string> AfterRun(const RunNews& news, const std::string& mod);
std::string UnendedRun(const std::string& mod, const std::vector<std::string>& unrecoverable);

std::string RemoveQuestion(const std::string& mod, const std::string& path);

// Restore: the question's text, which the window follows with every file it puts back, and the report.
std::string RestoreQuestion(std::size_t count, const std::vector<std::string>& lost);
std::string RestoreReport(const OriginalsStore::PutBackReport& report, std::size_t kept);

std::string UndoQuestion(const std::string& mod, const std::vector<std::string>& names,
                         const std::vector<std::string>& changed);
std::string PutBackChangedQuestion(const std::string& mod, const std::vector<std::string>& changed);
std::string NothingUndone(const std::string& mod);
std::string UndoReport(const std::string& mod, const OriginalsStore::PutBackReport& report);

// Take out: the question naming the mod and the later ones taken out and applied again.
std::string TakeOutQuestion(const StoreRecords& records, const TakeOutPlan& plan);
// Take out: the question about files changed outside Grenwick, and about a mod applied again
// that would change a file the player chose to leave.
std::string TakeOutChangedQuestion(const std::vector<std::string>& changed);
std::string AgainOverLeftQuestion(const std::string& mod, const std::vector<std::string>& left);
// Why a mod a take-out was to apply again was not.
enum class AgainFate { Applied, Gone, Refused, LeftOut, ReadsOtherwise, NotKept, DidNotRun, NotTried };
struct AgainResult {
    std::string mod;
    AgainFate fate = AgainFate::NotTried;
    std::string detail = {};  // the refusal, or the files a run that did not run left unchanged
};
struct TakenOut {
    std::string mod;
    OriginalsStore::PutBackReport report;
    bool whole = false;
};
std::string TakeOutReport(const std::vector<TakenOut>& out, std::size_t planned, bool cancelled,
                          const std::vector<AgainResult>& again);
// At the start, after a take-out a kill stopped before its later mods ran again.
std::string UnfinishedAgainQuestion(const std::vector<std::string>& mods);

std::string SetAsideQuestion(const StoreError& error, const std::string& aside);
std::string MovedStoreQuestion(const std::string& gameFolder);

}  // namespace manager::text
