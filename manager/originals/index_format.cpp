// Encoding and checking the store's index, version 3. Line by line, CR LF after each:
//   a comment for whoever opens the file
//   version<TAB>3
//   game<TAB><the game folder's full path>
//   then for each apply, oldest first:
//     apply<TAB><number><TAB><UTC seconds>
//     mod<TAB><the mod's name>
//     batch<TAB><the batch file's full path, or nothing>
//     one entry line per file: kept<TAB><size><TAB><SHA-256 of the copy><TAB><name>,
//     absent<TAB><name> or lost<TAB><name>, each followed by
//     after<TAB><size><TAB><time> or after<TAB>gone once the apply has run
//   check<TAB><SHA-256 of every byte above this line>
#include "manager/originals/index_format.h"

#include <set>
#include <utility>
#include <variant>

#include "base/sha256.h"

namespace manager {
namespace {

constexpr char kHeader[] =
    "Original game files kept by Grenwick before mods changed them, one section for each mod applied, oldest "
    "first; its system menu entries \"Restore original files...\" and \"Undo last mod...\" put them back. The "
    "last line checks the lines above it.";
constexpr char kVersionLine[] = "version\t3";
constexpr char kGame[] = "game\t";
constexpr char kCheck[] = "check\t";
constexpr char kNewline[] = "\r\n";

// As std::to_string writes an int64: no "-0", down to INT64_MIN.
std::optional<std::int64_t> ParseSigned(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    const auto magnitude = ParseUnsigned(negative ? text.substr(1) : text);
    const std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX) + (negative ? 1 : 0);
    if (!magnitude || *magnitude > limit || (negative && *magnitude == 0))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - *magnitude) : static_cast<std::int64_t>(*magnitude);
}

bool Unbroken(const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; }

std::optional<IndexEntry> ParseEntry(const std::vector<std::string>& fields) {
    if (fields[0] == "kept" && fields.size() == 4) {
        const auto size = ParseUnsigned(fields[1]);
        if (!size || !IsSha256Hex(fields[2]))
            return std::nullopt;
        return IndexEntry{EntryKind::Kept, fields[3], *size, fields[2]};
    }
    if (fields.size() != 2)
        return std::nullopt;
    if (fields[0] == "absent")
        return IndexEntry{EntryKind::Absent, fields[1], 0, {}};
    if (fields[0] == "lost")
        return IndexEntry{EntryKind::Lost, fields[1], 0, {}};
    return std::nullopt;
}

std::optional<AfterState> ParseAfter(const std::vector<std::string>& fields) {
    if (fields.size() == 2 && fields[1] == "gone")
        return AfterState{};
    if (fields.size() != 3)
        return std::nullopt;
    const auto size = ParseUnsigned(fields[1]);
    const auto time = ParseSigned(fields[2]);
    if (!size || !time)
        return std::nullopt;
    return AfterState{true, *size, *time};
}

DecodedRecords Refused(IndexProblem problem, std::size_t line) { return {std::nullopt, problem, line}; }

}  // namespace

std::optional<std::string> EncodeRecords(const StoreRecords& records, NameFold fold) {
    if (!IsFullPathName(records.gameFolder) || !Unbroken(records.gameFolder))
        return std::nullopt;
    std::string text = std::string(kHeader) + kNewline + kVersionLine + kNewline + kGame + records.gameFolder + kNewline;
    std::set<std::uint64_t> numbers;
    for (const ApplyRecord& apply : records.applies) {
        if (!numbers.insert(apply.number).second || !Unbroken(apply.mod) || !Unbroken(apply.batchPath))
            return std::nullopt;
        text += "apply\t" + std::to_string(apply.number) + "\t" + std::to_string(apply.when) + kNewline;
        text += "mod\t" + apply.mod + kNewline + "batch\t" + apply.batchPath + kNewline;
        std::set<std::string> seen;
        for (const ApplyEntry& entry : apply.entries) {
            const IndexEntry& before = entry.before;
            if (PlaceOfName(before.name, records.gameFolder, fold) == NamePlace::Invalid ||
                !seen.insert(fold(before.name)).second)
                return std::nullopt;
            switch (before.kind) {
            case EntryKind::Kept:
                if (!IsSha256Hex(before.sha256))
                    return std::nullopt;
                text += "kept\t" + std::to_string(before.size) + "\t" + before.sha256 + "\t";
                break;
            case EntryKind::Absent:
                text += "absent\t";
                break;
            case EntryKind::Lost:
                text += "lost\t";
                break;
            }
            text += before.name + kNewline;
            if (entry.after)
                text += entry.after->exists ? "after\t" + std::to_string(entry.after->size) + "\t" +
                                                  std::to_string(entry.after->time) + kNewline
                                            : std::string("after\tgone") + kNewline;
        }
    }
    return text + kCheck + base::ToHex(base::Sha256Of(text)) + kNewline;
}

namespace {

// The text above the check line, when the check line is the last one and matches it.
std::variant<std::string, IndexProblem> CheckedBody(const std::string& text) {
    const std::size_t checkSize = sizeof(kCheck) - 1 + kSha256HexDigits + 2;
    if (text.size() < checkSize || text.compare(text.size() - 2, 2, kNewline) != 0)
        return IndexProblem::NoCheck;
    const std::size_t checkAt = text.size() - checkSize;
    const std::string checkLine = text.substr(checkAt, checkSize - 2);
    const bool startsLine = checkAt == 0 || (checkAt >= 2 && text.compare(checkAt - 2, 2, kNewline) == 0);
    if (!startsLine || !StartsWith(checkLine, kCheck))
        return IndexProblem::NoCheck;
    std::string body = text.substr(0, checkAt);
    if (base::ToHex(base::Sha256Of(body)) != checkLine.substr(sizeof(kCheck) - 1))
        return IndexProblem::WrongCheck;
    return body;
}

// The apply sections from line `first` (from 0) on.
DecodedRecords ReadApplies(const std::vector<std::string>& lines, std::size_t first, StoreRecords records,
                           NameFold fold) {
    std::set<std::uint64_t> numbers;
    std::set<std::string> seen;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::vector<std::string> fields = SplitAt(lines[i], '\t');
        if (fields[0] == "apply") {
            // An apply line and its mod and batch lines, always together.
            const auto number = fields.size() == 3 ? ParseUnsigned(fields[1]) : std::nullopt;
            const auto when = fields.size() == 3 ? ParseSigned(fields[2]) : std::nullopt;
            if (!number || !when || !numbers.insert(*number).second || i + 2 >= lines.size() ||
                !StartsWith(lines[i + 1], "mod\t") || !StartsWith(lines[i + 2], "batch\t"))
                return Refused(IndexProblem::Malformed, i + 1);
            records.applies.push_back({*number, lines[i + 1].substr(4), lines[i + 2].substr(6), *when, {}});
            seen.clear();
            i += 2;
            continue;
        }
        if (fields[0] == "after") {
            const auto after = ParseAfter(fields);
            if (!after || records.applies.empty() || records.applies.back().entries.empty() ||
                records.applies.back().entries.back().after)
                return Refused(IndexProblem::Malformed, i + 1);
            records.applies.back().entries.back().after = *after;
            continue;
        }
        const auto entry = ParseEntry(fields);
        if (!entry || records.applies.empty())
            return Refused(IndexProblem::Malformed, i + 1);
        if (PlaceOfName(entry->name, records.gameFolder, fold) == NamePlace::Invalid)
            return Refused(IndexProblem::BadName, i + 1);
        if (!seen.insert(fold(entry->name)).second)
            return Refused(IndexProblem::DuplicateName, i + 1);
        records.applies.back().entries.push_back({*entry, std::nullopt});
    }
    return {std::move(records), IndexProblem::None, 0, kIndexVersion};
}

}  // namespace

DecodedRecords DecodeRecords(const std::string& text, const std::string& gameFolder, NameFold fold) {
    const auto checked = CheckedBody(text);
    if (const IndexProblem* problem = std::get_if<IndexProblem>(&checked))
        return Refused(*problem, 0);
    std::vector<std::string> lines = SplitAt(std::get<std::string>(checked), '\n');
    lines.pop_back();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string& line = lines[i];
        if (line.empty() || line.back() != '\r' || line.find('\r') != line.size() - 1)
            return Refused(IndexProblem::Malformed, i + 1);
        line.pop_back();
    }
    if (lines.size() < 3 || lines[1] != kVersionLine)
        return Refused(IndexProblem::UnknownFormat, 2);
    if (!StartsWith(lines[2], kGame))
        return Refused(IndexProblem::Malformed, 3);
    StoreRecords records;
    records.gameFolder = lines[2].substr(sizeof(kGame) - 1);
    if (!IsFullPathName(records.gameFolder) || fold(records.gameFolder) != fold(gameFolder))
        return Refused(IndexProblem::OtherGameFolder, 3);
    return ReadApplies(lines, 3, std::move(records), fold);
}

}  // namespace manager
