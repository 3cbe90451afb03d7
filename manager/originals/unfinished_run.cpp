// The note of a run that has not ended, and how the store settles one a kill left. Line by
// line, CR LF after each:
//   <title>
//   version<TAB>1
//   game<TAB><game folder>
//   apply<TAB><number>
//   file<TAB><size><TAB><last-write time><TAB><name>     one per file noted
//   check<TAB><SHA-256 of every byte above this line>
#include "manager/originals/unfinished_run.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/files.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "manager/originals/index_entries.h"

namespace manager {
namespace {

constexpr char kTitle[] = "Grenwick's note of the game folder before a mod ran; the run has not ended yet.";
constexpr char kVersion[] = "version\t1";
constexpr char kCheck[] = "check\t";
constexpr char kNewline[] = "\r\n";

std::optional<std::int64_t> Number(const std::string& text) {
    if (text.empty() || text.find_first_not_of("-0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return value;
}

}  // namespace

std::string EncodeRunNote(const RunNote& note) {
    std::string text = std::string(kTitle) + kNewline + kVersion + kNewline + "game\t" + note.gameFolder + kNewline +
                       "apply\t" + std::to_string(note.number) + kNewline;
    for (const auto& [key, file] : note.before)
        text += "file\t" + std::to_string(file.size) + "\t" + std::to_string(file.time) + "\t" + file.name + kNewline;
    return text + kCheck + base::ToHex(base::Sha256Of(text)) + kNewline;
}

std::optional<RunNote> DecodeRunNote(const std::string& text) {
    const std::size_t check = text.rfind(kCheck);
    if (check == std::string::npos || (check > 0 && text.compare(check - 2, 2, kNewline) != 0))
        return std::nullopt;
    const std::string body = text.substr(0, check);
    if (text.substr(check) != kCheck + base::ToHex(base::Sha256Of(body)) + kNewline)
        return std::nullopt;
    std::vector<std::string> lines = SplitAt(body, '\n');
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    for (std::string& line : lines) {
        if (line.empty() || line.back() != '\r')
            return std::nullopt;
        line.pop_back();
    }
    if (lines.size() < 4 || lines[0] != kTitle || lines[1] != kVersion || !StartsWith(lines[2], "game\t") ||
        !StartsWith(lines[3], "apply\t"))
        return std::nullopt;
    RunNote note;
    note.gameFolder = lines[2].substr(5);
    const std::optional<std::int64_t> number = Number(lines[3].substr(6));
    if (!number || *number <= 0)
        return std::nullopt;
    note.number = static_cast<std::uint64_t>(*number);
    for (std::size_t i = 4; i < lines.size(); ++i) {
        const std::vector<std::string> fields = SplitAt(lines[i], '\t');
        const std::optional<std::int64_t> size = fields.size() == 4 ? Number(fields[1]) : std::nullopt;
        const std::optional<std::int64_t> time = size ? Number(fields[2]) : std::nullopt;
        if (fields[0] != "file" || !size || *size < 0 || !time || fields[3].empty())
            return std::nullopt;
        note.before.emplace(base::FoldCase(fields[3]),
                            NotedFile{fields[3], static_cast<std::uint64_t>(*size), *time});
    }
    return note;
}

void OriginalsStore::BeginRun(std::uint64_t number, const FolderNotes& before) const {
    // Without the note the run is still settled when it ends; only a kill would go unsettled.
    (void)base::WriteFileDurably(base::Join(m_folder, kRunNoteName), EncodeRunNote({m_gameFolder, number, before}));
}

void OriginalsStore::EndRun() const { (void)base::RemoveFile(base::Join(m_folder, kRunNoteName)); }

// Settled only for the newest apply, that of this game folder, whose run never ended (no
// entry has the state a run left): a note that is damaged, planted or left from another
// store is refused, so it never marks the player's files as the mod's to delete.
void OriginalsStore::SettleUnendedRun() {
    m_unended.reset();
    const std::string path = base::Join(m_folder, kRunNoteName);
    const std::optional<std::string> text = base::ReadWholeFile(path);
    if (!text)
        return;
    const std::optional<RunNote> note = DecodeRunNote(*text);
    const ApplyRecord* newest = m_records.applies.empty() ? nullptr : &m_records.applies.back();
    bool ran = false;
    if (newest)
        for (const ApplyEntry& entry : newest->entries)
            ran = ran || entry.after.has_value();
    if (note && newest && !ran && newest->number == note->number && !newest->readInPlace &&
        base::FoldCase(note->gameFolder) == base::FoldCase(m_gameFolder)) {
        const std::string mod = newest->mod;
        SettleResult settled = Settle(note->number, note->before, NoteFolder(m_gameFolder));
        if (settled.index)
            return;  // the note stays for the next try
        m_unended = UnendedRun{mod, std::move(settled.unrecoverable)};
    }
    (void)base::RemoveFile(path);
}

}  // namespace manager
