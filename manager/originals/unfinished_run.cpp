// The note of a run that has not ended, and how the store settles one a kill left. Line by
// line, CR LF after each:
//   <title>
//   version<TAB>2
//   game<TAB><game folder>
//   apply<TAB><number>
//   index<TAB><the store's generation as the run began>
//   file<TAB><size><TAB><last-write time><TAB><name>     one per file noted
//   check<TAB><SHA-256 of every byte above this line>
// Version 1 had no index line: such a note belongs to no index and is refused.
#include "manager/originals/unfinished_run.h"

#include <string_view>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/paths.h"
#include "base/text.h"
#include "manager/originals/index_entries.h"

namespace manager {
namespace {

constexpr char kTitle[] = "Grenwick's note of the game folder before a mod ran; the run has not ended yet.";
constexpr char kVersion[] = "version\t2";
constexpr char kNewline[] = "\r\n";

}  // namespace

std::string EncodeRunNote(const RunNote& note) {
    std::string text = std::string(kTitle) + kNewline + kVersion + kNewline + "game\t" + note.gameFolder + kNewline +
                       "apply\t" + std::to_string(note.number) + kNewline + "index\t" + note.generation + kNewline;
    for (const auto& [key, file] : note.before)
        text += "file\t" + std::to_string(file.size) + "\t" + std::to_string(file.time) + "\t" + file.name + kNewline;
    return WithCheckLine(std::move(text));
}

std::optional<RunNote> DecodeRunNote(const std::string& text) {
    IndexProblem problem = IndexProblem::None;
    const std::optional<std::string_view> body = CheckedBody(text, problem);
    if (!body)
        return std::nullopt;
    std::vector<std::string> lines = base::SplitAt(std::string(*body), '\n');
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    for (std::string& line : lines) {
        if (line.empty() || line.back() != '\r')
            return std::nullopt;
        line.pop_back();
        if (!OnOneLine(line))
            return std::nullopt;
    }
    if (lines.size() < 5 || lines[0] != kTitle || lines[1] != kVersion || !base::StartsWith(lines[2], "game\t") ||
        !base::StartsWith(lines[3], "apply\t") || !base::StartsWith(lines[4], "index\t"))
        return std::nullopt;
    RunNote note;
    note.gameFolder = lines[2].substr(5);
    note.generation = lines[4].substr(6);
    const std::optional<std::uint64_t> number = ParseUnsigned(std::string_view(lines[3]).substr(6));
    if (!number || *number == 0 || note.generation.empty())
        return std::nullopt;
    note.number = *number;
    for (std::size_t i = 5; i < lines.size(); ++i) {
        const std::vector<std::string> fields = base::SplitAt(lines[i], '\t');
        const std::optional<std::uint64_t> size = fields.size() == 4 ? ParseUnsigned(fields[1]) : std::nullopt;
        const std::optional<std::int64_t> time = size ? ParseSigned(fields[2]) : std::nullopt;
        if (fields[0] != "file" || !size || !time || fields[3].empty() ||
            !note.before.emplace(base::FoldCase(fields[3]), NotedFile{fields[3], *size, *time}).second)
            return std::nullopt;
    }
    return note;
}

void OriginalsStore::BeginRun(std::uint64_t number, const FolderNotes& before) const {
    // Without the note the run is still settled when it ends; only a kill would go unsettled.
    (void)base::WriteFileDurably(base::Join(m_folder, kRunNoteName),
                                 EncodeRunNote({m_gameFolder, number, Generation(), before}));
}

void OriginalsStore::EndRun() const { (void)base::RemoveFile(base::Join(m_folder, kRunNoteName)); }

// Settled only for the newest apply, that of this game folder, whose run never ended (the
// index still marks it running), and only from the note written beside this very index (its
// generation): a note that is damaged, planted, left from another store or from an apply
// already settled is refused, so it never marks the player's files as the mod's to delete.
void OriginalsStore::SettleUnendedRun() {
    m_unended.reset();
    const std::string path = base::Join(m_folder, kRunNoteName);
    const std::optional<std::string> text = base::ReadWholeFile(path);
    if (!text)
        return;
    const std::optional<RunNote> note = DecodeRunNote(*text);
    const ApplyRecord* newest = m_records.applies.empty() ? nullptr : &m_records.applies.back();
    if (note && newest && newest->running && !newest->readInPlace && newest->number == note->number &&
        note->generation == Generation() && base::FoldCase(note->gameFolder) == base::FoldCase(m_gameFolder)) {
        const std::string mod = newest->mod;
        SettleResult settled = Settle(note->number, note->before, NoteFolder(m_gameFolder));
        if (settled.index)
            return;  // the note stays for the next try
        m_unended = UnendedRun{mod, std::move(settled.unrecoverable)};
    }
    (void)base::RemoveFile(path);
}

}  // namespace manager
