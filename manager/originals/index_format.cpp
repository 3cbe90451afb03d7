// Encoding and checking the store's index, version 5. Line by line, CR LF after each, every
// text in UTF-8:
//   a comment for whoever opens the file
//   version<TAB>5
//   game<TAB><the game folder's full path>
//   next<TAB><the number the next apply gets>
//   for each mod a Take out still applies again, in order:
//     again<TAB><the mod's name>
//     batch<TAB><the batch file's full path>
//   for each group of originals the player left as they were:
//     left<TAB><the number of the apply it was left by>
//     entry lines, as an apply's
//   then for each apply, oldest first:
//     apply<TAB><number><TAB><UTC seconds>
//     mod<TAB><the mod's name>
//     batch<TAB><the batch file's full path, or nothing>
//     running, while its run is not settled
//     one entry line per file: kept<TAB><size><TAB><SHA-256 of the copy><TAB><attributes><TAB><name>,
//     absent<TAB><name> or lost<TAB><name>, each followed by
//     after<TAB><size><TAB><time> or after<TAB>gone once the apply has run
//   check<TAB><SHA-256 of every byte above this line>
// The attributes are the letters of those set, in the order RHSA (read-only, hidden, system,
// archive), or "-" for none. Version 4 had no next, again, left or running lines; version 3
// neither, nor the attributes field, and its texts in the ANSI code page. The same reader
// reads all three.
#include "manager/originals/index_format.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string_view>
#include <utility>

#include "base/code_pages.h"

namespace manager {
namespace {

using View = std::string_view;

constexpr char kHeader[] =
    "Original game files kept by Grenwick before mods changed them, one section for each mod applied, oldest "
    "first; its system menu entries \"Restore original files...\" and \"Undo last mod...\" put them back. The "
    "last line checks the lines above it.";
constexpr char kVersionLine[] = "version\t5";
constexpr char kPlainVersionLine[] = "version\t4";
constexpr char kAnsiVersionLine[] = "version\t3";
constexpr char kGame[] = "game\t";
constexpr char kRunning[] = "running";
constexpr char kNewline[] = "\r\n";
constexpr char kAttributeLetters[] = "RHSA";


std::string AttributeText(const base::FileAttributes& attributes) {
    const bool set[] = {attributes.readOnly, attributes.hidden, attributes.system, attributes.archive};
    std::string text;
    for (std::size_t i = 0; i < 4; ++i)
        if (set[i])
            text += kAttributeLetters[i];
    return text.empty() ? "-" : text;
}

std::optional<base::FileAttributes> AttributesOf(View text) {
    base::FileAttributes attributes;
    if (text == "-")
        return attributes;
    bool* const set[] = {&attributes.readOnly, &attributes.hidden, &attributes.system, &attributes.archive};
    std::size_t next = 0;
    for (const char c : text) {
        const char* letter = std::strchr(kAttributeLetters, c);
        if (c == '\0' || !letter || static_cast<std::size_t>(letter - kAttributeLetters) < next)
            return std::nullopt;
        next = static_cast<std::size_t>(letter - kAttributeLetters) + 1;
        *set[next - 1] = true;
    }
    return text.empty() ? std::nullopt : std::optional<base::FileAttributes>(attributes);
}

// The field of `line` up to its next tab, `line` left after that tab; false when no tab is left.
bool TakeField(View& line, View& field) {
    const std::size_t tab = line.find('\t');
    if (tab == View::npos)
        return false;
    field = line.substr(0, tab);
    line.remove_prefix(tab + 1);
    return true;
}

using base::StartsWith;

DecodedRecords Refused(IndexProblem problem, std::size_t line) { return {std::nullopt, problem, line}; }

}  // namespace

std::optional<std::uint64_t> NextNumber(const StoreRecords& records) {
    std::uint64_t next = std::max<std::uint64_t>(records.next, 1);
    for (const std::vector<ApplyRecord>* group : {&records.left, &records.applies})
        for (const ApplyRecord& apply : *group) {
            if (apply.number == UINT64_MAX)
                return std::nullopt;
            next = std::max(next, apply.number + 1);
        }
    return next;
}

std::optional<std::size_t> IndexOfApply(const StoreRecords& records, std::uint64_t number) {
    for (std::size_t i = 0; i < records.applies.size(); ++i)
        if (records.applies[i].number == number)
            return i;
    return std::nullopt;
}

namespace {

// An entry line and its after line; false when the entry cannot be read back.
bool EncodeEntry(const ApplyEntry& entry, const std::string& gameFolder, NameFold fold,
                 std::set<std::string>& seen, std::string& text) {
    const IndexEntry& before = entry.before;
    if (PlaceOfName(before.name, gameFolder, fold) == NamePlace::Invalid ||
        before.name.find('\t') != std::string::npos || !seen.insert(fold(before.name)).second)
        return false;
    switch (before.kind) {
    case EntryKind::Kept:
        if (!IsSha256Hex(before.sha256))
            return false;
        text += "kept\t" + std::to_string(before.size) + "\t" + before.sha256 + "\t" +
                AttributeText(entry.attributes) + "\t";
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
    return true;
}

}  // namespace

std::optional<std::string> EncodeRecords(const StoreRecords& records, NameFold fold) {
    const std::optional<std::uint64_t> next = NextNumber(records);
    if (!next || !IsFullPathName(records.gameFolder) || !OnOneLine(records.gameFolder))
        return std::nullopt;
    std::string text = std::string(kHeader) + kNewline + kVersionLine + kNewline + kGame + records.gameFolder +
                       kNewline + "next\t" + std::to_string(*next) + kNewline;
    for (const AgainEntry& again : records.again) {
        if (!OnOneLine(again.mod) || !OnOneLine(again.batchPath))
            return std::nullopt;
        text += "again\t" + again.mod + kNewline + "batch\t" + again.batchPath + kNewline;
    }
    std::set<std::uint64_t> numbers;
    std::set<std::string> leftNames;
    for (const ApplyRecord& group : records.left) {
        if (!numbers.insert(group.number).second)
            return std::nullopt;
        text += "left\t" + std::to_string(group.number) + kNewline;
        for (const ApplyEntry& entry : group.entries)
            if (!EncodeEntry(entry, records.gameFolder, fold, leftNames, text))
                return std::nullopt;
    }
    for (const ApplyRecord& apply : records.applies) {
        if (!numbers.insert(apply.number).second || !OnOneLine(apply.mod) || !OnOneLine(apply.batchPath))
            return std::nullopt;
        text += "apply\t" + std::to_string(apply.number) + "\t" + std::to_string(apply.when) + kNewline;
        text += "mod\t" + apply.mod + kNewline + "batch\t" + apply.batchPath + kNewline;
        if (apply.running)
            text += std::string(kRunning) + kNewline;
        std::set<std::string> seen;
        for (const ApplyEntry& entry : apply.entries)
            if (!EncodeEntry(entry, records.gameFolder, fold, seen, text))
                return std::nullopt;
    }
    return WithCheckLine(std::move(text));
}

namespace {

// Reads the lines of an index of version 5, 4 or 3, one at a time and in place: no line or
// field is copied but the texts the records keep.
class Reader {
public:
    Reader(View body, const std::string& gameFolder, NameFold fold, unsigned version)
        : m_rest(body), m_gameFolder(gameFolder), m_fold(fold), m_version(version) {}

    DecodedRecords Read() {
        View line;
        if (!NextLine(line) || !NextLine(line) || line != VersionLine())
            return Refused(m_bad ? IndexProblem::Malformed : IndexProblem::UnknownFormat, m_bad ? m_line : 2);
        if (!NextLine(line) || !StartsWith(line, kGame))
            return Refused(IndexProblem::Malformed, 3);
        StoreRecords records;
        records.gameFolder = Text(line.substr(sizeof(kGame) - 1));
        if (!IsFullPathName(records.gameFolder) || m_fold(records.gameFolder) != m_fold(m_gameFolder))
            return Refused(IndexProblem::OtherGameFolder, 3);
        std::optional<std::uint64_t> next;
        if (m_version == kIndexVersion) {
            if (!NextLine(line) || !StartsWith(line, "next\t") || !(next = ParseUnsigned(line.substr(5))) || *next == 0)
                return Refused(IndexProblem::Malformed, m_line);
        }
        std::set<std::uint64_t> numbers;
        Section section = Section::Again;
        while (NextLine(line)) {
            if (StartsWith(line, "apply\t")) {
                const std::size_t applyLine = m_line;
                if (const std::size_t twice = FirstDuplicate())
                    return Refused(IndexProblem::DuplicateName, twice);
                section = Section::Applies;
                if (!ReadApply(line, records, numbers))
                    return RefusedAt(IndexProblem::Malformed, m_bad ? m_line : applyLine);
            } else if (m_version == kIndexVersion && section == Section::Again && StartsWith(line, "again\t")) {
                View batch;
                if (!NextLine(batch) || !StartsWith(batch, "batch\t"))
                    return RefusedAt(IndexProblem::Malformed, m_line);
                records.again.push_back({Text(line.substr(6)), Text(batch.substr(6))});
            } else if (m_version == kIndexVersion && section != Section::Applies && StartsWith(line, "left\t")) {
                const auto number = ParseUnsigned(line.substr(5));
                if (!number || !numbers.insert(*number).second)
                    return RefusedAt(IndexProblem::Malformed, m_line);
                section = Section::Left;
                records.left.push_back({*number, {}, {}, 0, {}});
            } else if (m_version == kIndexVersion && line == kRunning) {
                if (section != Section::Applies || !records.applies.back().entries.empty() ||
                    records.applies.back().running)
                    return RefusedAt(IndexProblem::Malformed, m_line);
                records.applies.back().running = true;
            } else if (StartsWith(line, "after\t")) {
                const auto after = ReadAfter(line.substr(6));
                ApplyRecord* owner = Owner(section, records);
                if (!after || !owner || owner->entries.empty() || owner->entries.back().after)
                    return RefusedAt(IndexProblem::Malformed, m_line);
                owner->entries.back().after = *after;
            } else {
                std::optional<ApplyEntry> entry = ReadEntry(line);
                ApplyRecord* owner = Owner(section, records);
                if (!entry || !owner)
                    return RefusedAt(IndexProblem::Malformed, m_line);
                if (PlaceOfName(entry->before.name, m_gameFolder, m_fold) == NamePlace::Invalid)
                    return RefusedAt(IndexProblem::BadName, m_line);
                m_folded.emplace_back(m_fold(entry->before.name), m_line);
                owner->entries.push_back(std::move(*entry));
            }
        }
        if (m_bad)
            return RefusedAt(IndexProblem::Malformed, m_line);
        if (const std::size_t twice = FirstDuplicate())
            return Refused(IndexProblem::DuplicateName, twice);
        // The next number is above every number given; an older index's is worked out.
        const std::optional<std::uint64_t> above = NextNumber(records);
        if (!above || (next && *next < *above))
            return Refused(IndexProblem::Malformed, m_version == kIndexVersion ? 4 : 0);
        records.next = next.value_or(*above);
        return {std::move(records), IndexProblem::None, 0, m_version};
    }

private:
    // Where the entry lines read go: nowhere before the first group or apply.
    enum class Section { Again, Left, Applies };
    static ApplyRecord* Owner(Section section, StoreRecords& records) {
        if (section == Section::Left)
            return &records.left.back();
        if (section == Section::Applies)
            return &records.applies.back();
        return nullptr;
    }

    const char* VersionLine() const {
        return m_version == kIndexVersion ? kVersionLine
                                          : m_version == kPlainIndexVersion ? kPlainVersionLine : kAnsiVersionLine;
    }

    // The first line (from 1) of this apply (or of the left originals, all as one) naming a
    // file it named before, 0 when none; the names are checked at its end, sorted, rather than
    // each in a set as it comes.
    std::size_t FirstDuplicate() {
        std::sort(m_folded.begin(), m_folded.end());
        std::size_t first = 0;
        for (std::size_t i = 1; i < m_folded.size(); ++i)
            if (m_folded[i].first == m_folded[i - 1].first && (first == 0 || m_folded[i].second < first))
                first = m_folded[i].second;
        m_folded.clear();
        return first;
    }
    // Refused at `line`, unless a name given twice before it in this apply is the first fault.
    DecodedRecords RefusedAt(IndexProblem problem, std::size_t line) {
        const std::size_t twice = FirstDuplicate();
        return twice && twice < line ? Refused(IndexProblem::DuplicateName, twice) : Refused(problem, line);
    }

    // The next line without its CR LF; false at the end or at a line not ending so (`m_bad`).
    bool NextLine(View& line) {
        if (m_rest.empty() || m_bad)
            return false;
        ++m_line;
        const std::size_t end = m_rest.find('\n');
        line = m_rest.substr(0, end);
        m_rest.remove_prefix(end == View::npos ? m_rest.size() : end + 1);
        if (end == View::npos || line.empty() || line.back() != '\r' || line.find('\r') != line.size() - 1) {
            m_bad = true;
            return false;
        }
        line.remove_suffix(1);
        return true;
    }

    bool Ansi() const { return m_version == kAnsiIndexVersion; }
    std::string Text(View text) const { return Ansi() ? base::Utf8OfAnsi(std::string(text)) : std::string(text); }

    // An apply line and its mod and batch lines, always together.
    bool ReadApply(View line, StoreRecords& records, std::set<std::uint64_t>& numbers) {
        View number, when = line.substr(6);
        if (!TakeField(when, number) || when.find('\t') != View::npos)
            return false;
        const auto parsedNumber = ParseUnsigned(number);
        const auto parsedWhen = ParseSigned(when);
        View mod, batch;
        if (!parsedNumber || !parsedWhen || !numbers.insert(*parsedNumber).second || !NextLine(mod) ||
            !StartsWith(mod, "mod\t") || !NextLine(batch) || !StartsWith(batch, "batch\t"))
            return false;
        records.applies.push_back({*parsedNumber, Text(mod.substr(4)), Text(batch.substr(6)), *parsedWhen, {}});
        return true;
    }

    static std::optional<AfterState> ReadAfter(View rest) {
        if (rest == "gone")
            return AfterState{};
        View size;
        if (!TakeField(rest, size) || rest.find('\t') != View::npos)
            return std::nullopt;
        const auto parsedSize = ParseUnsigned(size);
        const auto time = ParseSigned(rest);
        if (!parsedSize || !time)
            return std::nullopt;
        return AfterState{true, *parsedSize, *time};
    }

    std::optional<ApplyEntry> ReadEntry(View line) {
        View kind;
        if (!TakeField(line, kind) || (line.find('\t') != View::npos && kind != "kept"))
            return std::nullopt;
        ApplyEntry entry;
        if (kind == "kept") {
            View size, hash, attributes;
            if (!TakeField(line, size) || !TakeField(line, hash) || (!Ansi() && !TakeField(line, attributes)) ||
                line.find('\t') != View::npos)
                return std::nullopt;
            const auto parsedSize = ParseUnsigned(size);
            const auto parsedAttributes = Ansi() ? std::optional<base::FileAttributes>(base::FileAttributes{})
                                                 : AttributesOf(attributes);
            if (!parsedSize || !IsSha256Hex(hash) || !parsedAttributes)
                return std::nullopt;
            entry.before = {EntryKind::Kept, Text(line), *parsedSize, std::string(hash)};
            entry.attributes = *parsedAttributes;
        } else if (kind == "absent" || kind == "lost") {
            entry.before = {kind == "absent" ? EntryKind::Absent : EntryKind::Lost, Text(line), 0, {}};
        } else {
            return std::nullopt;
        }
        return entry;
    }

    View m_rest;
    const std::string& m_gameFolder;
    NameFold m_fold;
    unsigned m_version;
    std::size_t m_line = 0;  // the line last read, from 1
    bool m_bad = false;      // a line that does not end in CR LF alone
    std::vector<std::pair<std::string, std::size_t>> m_folded;  // this apply's names folded, and their lines
};

DecodedRecords DecodeVersion(const std::string& text, const std::string& gameFolder, NameFold fold, unsigned version) {
    IndexProblem problem = IndexProblem::None;
    const std::optional<View> body = CheckedBody(text, problem);
    if (!body)
        return Refused(problem, 0);
    return Reader(*body, gameFolder, fold, version).Read();
}

// Whether the second line of `text` is `versionLine`.
bool HasVersionLine(const std::string& text, const std::string& versionLine) {
    const std::size_t second = text.find('\n');
    return second != std::string::npos && text.compare(second + 1, versionLine.size() + 2, versionLine + kNewline) == 0;
}

}  // namespace

DecodedRecords DecodeRecords(const std::string& text, const std::string& gameFolder, NameFold fold) {
    return DecodeVersion(text, gameFolder, fold, kIndexVersion);
}

bool IsPlainIndex(const std::string& text) { return HasVersionLine(text, kPlainVersionLine); }

DecodedRecords DecodePlainRecords(const std::string& text, const std::string& gameFolder, NameFold fold) {
    return DecodeVersion(text, gameFolder, fold, kPlainIndexVersion);
}

bool IsAnsiIndex(const std::string& text) { return HasVersionLine(text, kAnsiVersionLine); }

DecodedRecords DecodeAnsiRecords(const std::string& text, const std::string& gameFolder, NameFold fold) {
    return DecodeVersion(text, gameFolder, fold, kAnsiIndexVersion);
}

}  // namespace manager
