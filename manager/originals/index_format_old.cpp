// The previous version's index: a comment line, then one line a file, "kept<TAB><name>" (a
// copy is in that folder) or "absent<TAB><name>" (a mod created it), CR LF after each.
#include "manager/originals/index_format_old.h"

#include <set>
#include <utility>

namespace manager {
namespace {

// The first line of the previous version's index.
constexpr char kOldHeader[] =
    "Original game files kept by Grenwick before mods changed them; its system menu entry "
    "\"Restore original files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod "
    "created it).";

DecodedIndex Refused(IndexProblem problem, std::size_t line) { return {std::nullopt, problem, line}; }

std::optional<IndexEntry> ParseOldEntry(const std::string& line) {
    const std::vector<std::string> fields = base::SplitAt(line, '\t');
    if (fields.size() != 2)
        return std::nullopt;
    if (fields[0] == "kept")
        return IndexEntry{EntryKind::Kept, fields[1], 0, {}};
    if (fields[0] == "absent")
        return IndexEntry{EntryKind::Absent, fields[1], 0, {}};
    return std::nullopt;
}

// The entry lines from `first` on, every name checked and none repeated.
DecodedIndex ReadEntries(const std::vector<std::string>& lines, std::size_t first, StoreIndex index, NameFold fold) {
    std::set<std::string> seen;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const auto entry = ParseOldEntry(lines[i]);
        if (!entry)
            return Refused(IndexProblem::Malformed, i + 1);
        if (PlaceOfName(entry->name, index.gameFolder, fold) == NamePlace::Invalid)
            return Refused(IndexProblem::BadName, i + 1);
        if (!seen.insert(fold(entry->name)).second)
            return Refused(IndexProblem::DuplicateName, i + 1);
        index.entries.push_back(std::move(*entry));
    }
    return {std::move(index), IndexProblem::None, 0};
}

}  // namespace

bool IsOldIndex(const std::string& text) {
    const std::string firstLine = text.substr(0, text.find('\n'));
    return firstLine == kOldHeader || firstLine == std::string(kOldHeader) + "\r";
}

// The previous version wrote CR LF, but its reader took a bare LF as well, so this does.
DecodedIndex DecodeOldIndex(const std::string& text, const std::string& gameFolder, NameFold fold) {
    if (!IsOldIndex(text))
        return Refused(IndexProblem::UnknownFormat, 1);
    std::vector<std::string> lines = base::SplitAt(text, '\n');
    if (lines.back().empty())
        lines.pop_back();
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    StoreIndex index;
    index.gameFolder = gameFolder;
    if (!IsFullPathName(gameFolder))
        return Refused(IndexProblem::OtherGameFolder, 0);
    return ReadEntries(lines, 1, std::move(index), fold);
}

}  // namespace manager
