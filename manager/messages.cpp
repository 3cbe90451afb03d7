// The manager's questions and messages, each made from what the plan or the change holds.
#include "manager/messages.h"

#include <string>
#include <vector>

#include "base/write_messages.h"
#include "manager/originals/store_error.h"

namespace manager::text {
namespace {

// How many names a question or a report shows before "and N more".
constexpr std::size_t kNamed = 3;
constexpr char kSeeAll[] = "\n\n\"What this mod changes...\" shows all of them.";

std::string MoreThan(std::size_t count) {
    return count > kNamed ? "\n    and " + std::to_string(count - kNamed) + " more" : std::string();
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

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
    for (std::size_t i = 0; i < failed.size() && i < kNamed; ++i)
        list += "\n    " + failed[i].name + RefusalText(failed[i].why);
    return list + MoreThan(failed.size());
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

std::string LineList(const std::vector<batchfile::UnfollowedLine>& lines, const std::string& batchPath) {
    std::string list;
    for (std::size_t i = 0; i < lines.size() && i < kNamed; ++i) {
        const batchfile::UnfollowedLine& line = lines[i];
        list += "\n    ";
        if (line.file != batchPath)
            list += "\"" + line.file + "\" ";
        list += "line " + std::to_string(line.number) + " (" + batchfile::WhyText(line.why) + "): " + line.text;
    }
    return list + MoreThan(lines.size());
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

std::string CannotUse(const std::string& path, PathRefusal why) {
    const char* reason = "";
    switch (why) {
    case PathRefusal::Percent:
        reason = "the command interpreter reads a % as the start of a variable's name, so another file would run.";
        break;
    case PathRefusal::Inexact:
        reason = "it holds characters (shown as ?) that the system's code page cannot hold exactly, so another file "
                 "would run.";
        break;
    case PathRefusal::Device:
        reason = "it names a device, not a file on disk.";
        break;
    case PathRefusal::Prefix:
        reason = "it begins with \"\\\\?\\\" or \"\\\\.\\\", which the command interpreter cannot run a batch file "
                 "from.";
        break;
    }
    return "The path \"" + path + "\" cannot be used: " + reason;
}

std::string PathTooLong(const std::string& path, std::size_t recordSize) {
    return "The path \"" + path + "\" is too long to be remembered: the mod list keeps batch file paths of at most " +
           std::to_string(recordSize) + " characters.";
}

std::string ListFull(std::size_t limit) {
    return "The mod list is full: it keeps at most " + std::to_string(limit) + " mods.";
}

std::string BatchUnreadable(const std::string& path) {
    return "The batch file \"" + path + "\" could not be read" + kNotApplied;
}

std::string BatchUnopened(const std::string& path) { return "The batch file \"" + path + "\" could not be opened."; }

std::string Files(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

std::string NameList(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < kNamed; ++i)
        list += "\n    " + names[i];
    return list + MoreThan(names.size());
}

std::string JoinedNames(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : "\n    ") + names[i];
    return list;
}

std::string FullNameList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names)
        list += "\n    " + name;
    return list;
}

std::string ChangedMeanwhile(const std::string& consequence) {
    return "Another Grenwick window changed the kept original files while this question was open" + consequence +
           " Please look again and try once more.";
}

std::string GameFolderTooLong(const std::string& gameFolder, std::size_t units, std::size_t limit) {
    return "The mod was not applied: the command interpreter cannot run a batch file in the game folder \"" +
           gameFolder + "\", whose full path is " + std::to_string(units) + " characters long (at most " +
           std::to_string(limit) + " can be its current folder). Nothing has changed. Move the game folder to a "
           "shorter path.";
}

std::string ReachesOwnFiles(std::size_t lineNumber, const std::string& line) {
    return "The mod was not applied: this line of it changes the files Grenwick keeps for itself (the kept original "
           "files, the mod list, the last mod):\n    line " + std::to_string(lineNumber) + ": " + line +
           "\n\nNothing has changed.";
}

std::string UnfollowedQuestion(const std::vector<batchfile::UnfollowedLine>& lines, const std::string& batchPath,
                               std::size_t everyFile, std::uint64_t everyByte, const std::string& again) {
    const bool one = lines.size() == 1;
    const std::string what = again.empty() ? "the mod" : Quoted(again);
    return (again.empty() ? std::string() : "Applying " + Quoted(again) + " again after the take-out: ") +
           "Grenwick cannot tell which files " + (one ? "this line" : "these lines") + " of " + what + " change:" +
           LineList(lines, batchPath) + (lines.size() > kNamed ? kSeeAll : "") + "\n\n" + kRestoreName +
           " cannot put back what " + (one ? "it changes" : "they change") + ".\n\n"
           "Yes: keep a copy of every file in the game folder first (" + Files(everyFile) + ", " +
           Megabytes(everyByte) + "), then apply " + what + ".\n"
           "No: apply " + what + ", keeping only the files Grenwick can tell it changes.\n" +
           (again.empty() ? "Cancel: do not apply the mod." : "Cancel: take nothing out; nothing changes.");
}

std::string NoRoomForEveryFile(const std::string& storeFolder, std::uint64_t needed, std::uint64_t free) {
    return "There is not enough free space on the disk of \"" + storeFolder +
           "\" to keep a copy of every file in the game folder (" + Megabytes(needed) + " needed, " +
           Megabytes(free) + " free)" + kNotApplied;
}

std::vector<std::string> AfterRun(const RunNews& news, const std::string& mod) {
    std::vector<std::string> messages;
    if (!news.storeChanged.empty())
        messages.push_back("While the mod ran, another program or the mod changed these files of the kept original "
                           "files:" + FullNameList(news.storeChanged) + "\n\nGrenwick wrote back its own list of what "
                           "it keeps; a changed copy is never put back.");
    const OriginalsStore::SettleResult& settled = news.settled;
    if (settled.index)
        messages.push_back(StoreMessage(*settled.index, ", so the files the mod created or changed unforeseen are not "
                                                        "known to " + std::string(kRestoreName) + "."));
    else if (!settled.recorded)
        messages.push_back("The record of " + Quoted(mod) + " is gone from the kept original files, so the files it "
                           "changed are not kept: " + kRestoreName + " cannot put them back.");
    else if (!settled.unrecoverable.empty())
        messages.push_back("The mod changed these files with no original kept, so " + std::string(kRestoreName) +
                           " cannot put them back:" + NameList(settled.unrecoverable));
    return messages;
}

std::string UnendedRun(const std::string& mod, const std::vector<std::string>& unrecoverable) {
    return "When Grenwick last stopped, " + Quoted(mod) + " had not finished. It changed these files with no original "
           "kept, so " + std::string(kRestoreName) + " cannot put them back:" + NameList(unrecoverable);
}

std::string RemoveQuestion(const std::string& mod, const std::string& path) {
    return "Remove " + Quoted(mod) + " from the mod list?\n\nIts batch file " + Quoted(path) + " stays where it is.";
}

std::string RestoreQuestion(std::size_t count, const std::vector<std::string>& lost) {
    std::string question = "Put back " + Files(count) + " as " + (count == 1 ? "it was" : "they were") +
                           " before the first mod? Files that mods created are deleted.";
    if (!lost.empty())
        question += "\n\nThese files were changed with no original kept and cannot be put back:" + NameList(lost);
    if (count > 0)
        question += "\n\nThese files are written or deleted, those outside the game folder by their full path:";
    return question;
}

std::string RestoreReport(const OriginalsStore::PutBackReport& report, std::size_t kept) {
    const std::string done = report.putBack == kept ? Files(report.putBack)
                                                    : std::to_string(report.putBack) + " of " + Files(kept);
    std::string text = "Put back " + done + "." + Troubles(report, "stay kept for a later try:");
    if (report.index)
        text += "\n\nThe file \"" + report.index->file + "\" could not be written: a later restore puts these "
                "files back again.";
    return text;
}

std::string UndoQuestion(const std::string& mod, const std::vector<std::string>& names,
                         const std::vector<std::string>& changed) {
    const bool one = names.size() == 1;
    std::string question = "Undo " + Quoted(mod) + "? Its " + Files(names.size()) + (one ? " is" : " are") +
                           " put back as " + (one ? "it was" : "they were") +
                           " just before it was applied; files it created are deleted." + NameList(names);
    if (!changed.empty())
        question += "\n\nThese files were changed after it was applied:" + NameList(changed);
    return question;
}

std::string PutBackChangedQuestion(const std::string& mod, const std::vector<std::string>& changed) {
    return "Put back the files changed after " + Quoted(mod) + " was applied too? No leaves them as they are." +
           NameList(changed);
}

std::string NothingUndone(const std::string& mod) {
    return "Nothing was undone: every file of " + Quoted(mod) + " was changed after it was applied and stays as it "
           "is. " + std::string(kRestoreName) + " can still put back the originals.";
}

std::string UndoReport(const std::string& mod, const OriginalsStore::PutBackReport& report) {
    std::string text = (report.cancelled ? "The undo of " + Quoted(mod) + " was cancelled" : "Undid " + Quoted(mod)) +
                       ": put back " + Files(report.putBack) + "." +
                       Troubles(report, "stay remembered for a later try:");
    if (report.index)
        text += "\n\nThe file \"" + report.index->file + "\" could not be written: " + Quoted(mod) +
                " stays remembered.";
    return text;
}

std::string TakeOutChangedQuestion(const std::vector<std::string>& changed) {
    return "Put back the files changed outside Grenwick since too? No leaves them as they are." + NameList(changed);
}

std::string AgainOverLeftQuestion(const std::string& mod, const std::vector<std::string>& left) {
    return Quoted(mod) + " changes files you chose to leave as they are:" + NameList(left) +
           "\n\nApply " + Quoted(mod) + " again all the same? No leaves those files as they are: " + Quoted(mod) +
           " is taken out and not applied again.";
}

namespace {

std::string AgainLine(const AgainResult& again) {
    switch (again.fate) {
    case AgainFate::Gone:
        return Quoted(again.mod) + ": its batch file " + again.detail + " is gone.";
    case AgainFate::Refused:
        return Quoted(again.mod) + ": " + again.detail;
    case AgainFate::LeftOut:
        return Quoted(again.mod) + ": it changes files you chose to leave as they are.";
    case AgainFate::ReadsOtherwise:
        return Quoted(again.mod) + ": with the mods taken out it changes other files than the question said.";
    case AgainFate::NotKept:
        return Quoted(again.mod) + ": " + again.detail;
    case AgainFate::DidNotRun:
        return Quoted(again.mod) + ": it left " + again.detail + " as it was, so it did not run as before; what "
               "it changed was put back.";
    case AgainFate::NotTried:
        return Quoted(again.mod) + ": the take-out did not finish.";
    case AgainFate::Applied:
        break;
    }
    return Quoted(again.mod);
}

}  // namespace

std::string TakeOutReport(const std::vector<TakenOut>& out, std::size_t planned, bool cancelled,
                          const std::vector<AgainResult>& again) {
    std::vector<std::string> parts;
    std::vector<std::string> whole;
    for (const TakenOut& taken : out) {
        if (taken.whole)
            whole.push_back(taken.mod);
        const std::string troubles = Troubles(taken.report, "stay remembered for a later try:");
        if (taken.whole && troubles.empty() && !taken.report.index)
            continue;
        parts.push_back("Taking out " + Quoted(taken.mod) + ": put back " + Files(taken.report.putBack) +
                        (taken.report.putBackNames.empty() ? "." : ":" + FullNameList(taken.report.putBackNames)) +
                        troubles +
                        (taken.report.index ? "\n\nThe file \"" + taken.report.index->file + "\" could not be written."
                                            : ""));
    }
    if (planned > 0) {
        const bool partly = !out.empty() && !out.back().whole && out.back().report.putBack > 0;
        std::string summary = !whole.empty() ? "Took out " + QuotedList(whole) + "." : partly ? "" : "Nothing was taken out.";
        if (partly)
            summary += std::string(whole.empty() ? "" : " ") + Quoted(out.back().mod) +
                       " was taken out in part and stays applied for the files not put back.";
        if (whole.size() < planned)
            summary += cancelled ? " Cancelled: the others stay applied." : " The others stay applied.";
        parts.push_back(summary);
    }
    std::vector<std::string> applied;
    std::string notApplied;
    for (const AgainResult& result : again) {
        if (result.fate == AgainFate::Applied)
            applied.push_back(result.mod);
        else
            notApplied += "\n    " + AgainLine(result);
    }
    if (!applied.empty())
        parts.push_back("Applied again: " + QuotedList(applied) + ".");
    if (!notApplied.empty())
        parts.push_back("Not applied again:" + notApplied + "\n\nApply " +
                        (again.size() - applied.size() == 1 ? "it" : "them") + " from the list once you have seen why.");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "\n\n") + part;
    return text;
}

std::string UnfinishedAgainQuestion(const std::vector<std::string>& mods) {
    std::string list;
    for (const std::string& mod : mods)
        list += "\n    " + Quoted(mod);
    return "When Grenwick last stopped, it was taking out a mod and had not yet applied these mods again:" + list +
           "\n\nApply them again now? No leaves them out; you can apply them from the list.";
}

std::string SetAsideQuestion(const StoreError& error, const std::string& aside) {
    return "The list of kept original files \"" + error.file + "\" is damaged: " + DamageText(error) +
           ". Grenwick cannot trust what it names.\n\nSet the damaged store aside as \"" + aside +
           "\", kept for a look by hand, and start a new one? What it keeps is then no longer put back by Grenwick.";
}

std::string MovedStoreQuestion(const std::string& gameFolder) {
    return "Grenwick keeps no original files for this game folder, but it keeps some for \"" + gameFolder +
           "\", which is gone and had this folder's name: the game folder was moved here?\n\nUse those original "
           "files for this folder?";
}

std::string QuotedList(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + Quoted(names[i]);
    return text;
}

std::string TakeOutQuestion(const StoreRecords& records, const TakeOutPlan& plan) {
    if (plan.takeOut.empty())
        return std::string();
    const ApplyRecord& chosen = records.applies[plan.takeOut.back()];
    std::string text = "Take out " + Quoted(ShownName(chosen)) + "? Its " +
                       Files(chosen.entries.size()) + (chosen.entries.size() == 1 ? " is" : " are") +
                       " put back as before it was applied; files it created are deleted.";
    if (!plan.again.empty()) {
        std::vector<std::string> later;
        for (const std::size_t i : plan.again)
            later.push_back(ShownName(records.applies[i]));
        text += "\n\n" + QuotedList(later) + (later.size() == 1 ? " changes" : " change") +
                " some of the same files after it: " + (later.size() == 1 ? "it is" : "they are") +
                " taken out first and applied again afterwards, in the order they were applied.";
    }
    return text;
}

std::string OverwriteQuestion(const std::vector<Overwritten>& files) {
    std::string text = "This mod changes files that mods still applied have changed:\n";
    for (std::size_t i = 0; i < files.size() && i < kNamed; ++i)
        text += "\n    " + files[i].name + ", changed by " + Quoted(files[i].mod);
    if (files.size() > kNamed)
        text += "\n    and " + std::to_string(files.size() - kNamed) + " more" + (files.size() - kNamed == 1 ? " file" : " files");
    return text + "\n\nApply it over them? Taking it out later puts these files back as those mods left them." +
           (files.size() > kNamed ? kSeeAll : "");
}

std::string StoreMessage(const StoreError& error, const std::string& consequence) {
    std::string text;
    switch (error.what) {
    case StoreError::What::NoRoot:
        text = "No folder is known to keep the original files in";  // never one inside the game folder
        break;
    case StoreError::What::InUse:
        text = "The kept original files are in use by another Grenwick window";
        break;
    case StoreError::What::Unreadable:
        text = "The list of kept original files \"" + error.file + "\" cannot be read";
        break;
    case StoreError::What::NotWritten:
        text = "The file \"" + error.file + "\" could not be written";
        break;
    case StoreError::What::NotKept:
        text = "The original file \"" + error.file + "\" could not be kept";
        break;
    case StoreError::What::Cancelled:
        text = "Keeping the original files was cancelled";
        break;
    }
    return text + consequence + base::WhyNotWritten({error.file, error.why}, false);
}

std::string DamageText(const StoreError& error) {
    const std::string line = "line " + std::to_string(error.line);
    switch (error.problem) {
    case IndexProblem::None:
        break;
    case IndexProblem::NoCheck:
        return "its last line is not the check line";
    case IndexProblem::WrongCheck:
        return "its check line does not match the lines above it";
    case IndexProblem::UnknownFormat:
        return "it is written in a form this Grenwick does not know";
    case IndexProblem::Malformed:
        return line + " has no known shape";
    case IndexProblem::BadName:
        return line + " names a file outside its place";
    case IndexProblem::DuplicateName:
        return line + " names a file twice";
    case IndexProblem::OtherGameFolder:
        return "it belongs to another game folder";
    }
    return "it cannot be read";
}


}  // namespace manager::text
