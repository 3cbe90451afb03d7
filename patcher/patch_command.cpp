// Reads the patch, patches the file and words the outcome for the player's console.
#include "patcher/patch_command.h"

#include <cstdio>
#include <new>
#include <optional>
#include <string_view>

#include "base/files.h"
#include "patcher/ppf_patch.h"

namespace patcher {
namespace {

constexpr char kUsage[] =
    "Usage: ApplyPPF3 a <file> <patch>   applies a PPF 1.0, 2.0 or 3.0 patch to the file\n"
    "       ApplyPPF3 u <file> <patch>   undoes a PPF 3.0 patch that carries undo data\n";

// Texts from a patch go to a console: control bytes there could move the cursor or clear
// the screen, so they show as blanks. Where lines are wanted each ends in LF alone, which
// the console stream turns into the host's line end.
std::string Printable(std::string_view text, bool keepLines) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (keepLines && byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        const bool kept = keepLines && (byte == '\n' || byte == '\t');
        shown += (byte < 0x20 || byte == 0x7F) && !kept ? ' ' : text[i];
    }
    return shown;
}

std::string Records(std::size_t count) { return std::to_string(count) + (count == 1 ? " record" : " records"); }

CommandReport NotChanged(const std::string& problem, const std::string& filePath) {
    return {kExitFailed, problem + ".\nThe file \"" + filePath + "\" was not changed.\n"};
}

// A device or a pipe would be read or written without end (AUX, a serial port) or take the
// bytes and keep nothing (NUL): it is refused before anything is read from it.
std::string NotOnDisk(const char* what, const std::string& path) {
    return std::string(what) + " \"" + path + "\" is not a file on disk";
}

std::string Summary(const PpfPatch& patch) {
    std::string text = "PPF " + std::to_string(patch.version) + ".0 patch: " +
                       Printable(patch.description, false) + "\n";
    if (patch.descriptionFile) {
        text += Printable(*patch.descriptionFile, true);
        if (text.back() != '\n')
            text += '\n';
    }
    return text;
}

}  // namespace

CommandReport RunPatchCommand(const std::vector<std::string>& args) {
    if (args.size() != 3 || (args[0] != "a" && args[0] != "A" && args[0] != "u" && args[0] != "U"))
        return {kExitUsage, kUsage};
    const Direction direction = args[0] == "a" || args[0] == "A" ? Direction::Apply : Direction::Undo;
    const std::string& filePath = args[1];
    const std::string& patchPath = args[2];

    std::optional<std::string> bytes;
    ReadResult read;
    try {
        base::PathKind kind = base::PathKind::Missing;
        bytes = base::ReadWholeFile(patchPath, base::kWholeFile, &kind);
        if (!bytes && kind == base::PathKind::Other)
            return NotChanged(NotOnDisk("The patch", patchPath), filePath);
        if (!bytes)
            return NotChanged("The patch \"" + patchPath + "\" cannot be read", filePath);
        read = ReadPatch(*bytes);
    } catch (const std::bad_alloc&) {
        return NotChanged("The patch \"" + patchPath + "\" is too large to be read", filePath);
    }
    if (!read.patch)
        return NotChanged("The patch \"" + patchPath + "\" cannot be used: " + read.problem, filePath);

    base::PathKind kind = base::PathKind::Missing;
    base::UniqueFile target = base::OpenDiskFile(filePath, kind, base::OpenFor::Update);
    if (!target && kind == base::PathKind::Other)
        return NotChanged(NotOnDisk("The file", filePath), filePath);
    if (!target)
        return NotChanged("The file \"" + filePath + "\" cannot be opened for reading and writing", filePath);
    PatchOutcome outcome = PatchFile(*read.patch, target.get(), direction);
    if (std::fclose(target.release()) != 0 && outcome.status == PatchOutcome::Status::Done) {
        outcome.status = PatchOutcome::Status::WriteFailed;
        outcome.problem = "closing the file failed";
    }
    switch (outcome.status) {
    case PatchOutcome::Status::Refused:
        return NotChanged("Cannot " + std::string(direction == Direction::Apply ? "apply" : "undo") + " \"" +
                              patchPath + "\": " + outcome.problem, filePath);
    case PatchOutcome::Status::WriteFailed:
        return {kExitFailed, "Writing \"" + filePath + "\" stopped: " + outcome.problem + ".\nThe file may be partly "
                             "patched: " + std::to_string(outcome.recordsWritten) + " of " +
                             Records(read.patch->records.size()) + " were written.\n"};
    case PatchOutcome::Status::Done:
        break;
    }
    return {kExitDone, Summary(*read.patch) + (direction == Direction::Apply ? "Applied " : "Undid ") +
                           Records(outcome.recordsWritten) + (direction == Direction::Apply ? " to \"" : " in \"") +
                           filePath + "\".\n"};
}

}  // namespace patcher
