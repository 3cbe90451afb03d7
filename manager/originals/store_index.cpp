// The pieces the originals store's index is made of (names checked so that none can point
// outside its place, numbers, hashes), and the reader of the index the previous version kept
// inside the game folder: a comment line, then one line a file, "kept<TAB><name>" (a copy is
// in that folder) or "absent<TAB><name>" (a mod created it), CR LF after each.
#include "manager/originals/store_index.h"

#include <set>
#include <utility>

#include "base/paths.h"

namespace manager {
namespace {

// The first line of the previous version's index.
constexpr char kOldHeader[] =
    "Original game files kept by Grenwick before mods changed them; its system menu entry "
    "\"Restore original files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod "
    "created it).";
constexpr std::size_t kHexDigits = 64;


// One part of a name between separators, as a file or folder the platform opens as named:
// not empty, no "." or "..", no character a file name cannot hold, no trailing dot or
// blank (the platform drops them, so "a.map." is "a.map"), no device.
bool IsPlainPart(const std::string& part) {
    if (part.empty() || part.back() == '.' || part.back() == ' ')
        return false;
    for (const char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string("\"*/:<>?\\|").find(c) != std::string::npos)
            return false;
    }
    return !base::IsDeviceName(part);
}

struct FullPath {
    std::string root;  // "C:\" or "\\server\share\"
    std::vector<std::string> parts;
};

bool AllPlain(const std::vector<std::string>& parts) {
    for (const std::string& part : parts)
        if (!IsPlainPart(part))
            return false;
    return true;
}

// A drive or network path from its root down, every part plain; no trailing separator
// except the root's own.
std::optional<FullPath> ParseFullPath(const std::string& path) {
    FullPath full;
    std::string rest;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && letter(path[0]) && path[1] == ':' && path[2] == '\\') {
        full.root = path.substr(0, 3);
        rest = path.substr(3);
    } else if (StartsWith(path, "\\\\")) {
        const std::size_t serverEnd = path.find('\\', 2);
        if (serverEnd == std::string::npos)
            return std::nullopt;
        const std::size_t shareEnd = path.find('\\', serverEnd + 1);
        const std::string server = path.substr(2, serverEnd - 2);
        const std::string share = path.substr(serverEnd + 1, shareEnd - serverEnd - 1);
        if (!IsPlainPart(server) || !IsPlainPart(share))
            return std::nullopt;
        full.root = "\\\\" + server + "\\" + share + "\\";
        rest = shareEnd == std::string::npos ? std::string() : path.substr(shareEnd + 1);
    } else {
        return std::nullopt;
    }
    if (!rest.empty())
        full.parts = SplitAt(rest, '\\');
    if (!AllPlain(full.parts))
        return std::nullopt;
    return full;
}


DecodedIndex Refused(IndexProblem problem, std::size_t line) { return {std::nullopt, problem, line}; }

std::optional<IndexEntry> ParseOldEntry(const std::string& line) {
    const std::vector<std::string> fields = SplitAt(line, '\t');
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

// The previous version wrote CR LF, but its reader took a bare LF as well, so this does.
DecodedIndex DecodeOldIndex(const std::string& text, const std::string& gameFolder, NameFold fold) {
    const std::string firstLine = text.substr(0, text.find('\n'));
    if (firstLine != kOldHeader && firstLine != std::string(kOldHeader) + "\r")
        return Refused(IndexProblem::UnknownFormat, 1);
    std::vector<std::string> lines = SplitAt(text, '\n');
    if (lines.back().empty())
        lines.pop_back();
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    StoreIndex index;
    index.gameFolder = gameFolder;
    if (!ParseFullPath(gameFolder))
        return Refused(IndexProblem::OtherGameFolder, 0);
    return ReadEntries(lines, 1, std::move(index), fold);
}

bool IsFullPathName(const std::string& path) { return ParseFullPath(path).has_value(); }

// A full path inside the game folder is refused rather than taken as its relative name, so
// each file has one spelling in the index.
NamePlace PlaceOfName(const std::string& name, const std::string& gameFolder, NameFold fold) {
    if (name.empty())
        return NamePlace::Invalid;
    if (name.find(':') == std::string::npos && name[0] != '\\')
        return AllPlain(SplitAt(name, '\\')) ? NamePlace::Inside : NamePlace::Invalid;
    const auto full = ParseFullPath(name);
    const auto game = ParseFullPath(gameFolder);
    if (!full || full->parts.empty() || !game)
        return NamePlace::Invalid;
    bool inside = fold(full->root) == fold(game->root) && full->parts.size() > game->parts.size();
    for (std::size_t i = 0; inside && i < game->parts.size(); ++i)
        inside = fold(full->parts[i]) == fold(game->parts[i]);
    return inside ? NamePlace::Invalid : NamePlace::Outside;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1)
        pieces.push_back(text.substr(at, end - at));
    pieces.push_back(text.substr(at));
    return pieces;
}

bool IsSha256Hex(const std::string& text) {
    if (text.size() != kHexDigits)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::optional<std::uint64_t> ParseUnsigned(const std::string& text) {
    if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace manager
