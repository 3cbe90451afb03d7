// Encoding and checking the originals store's index. The format, line by line, CR LF after each:
//   a comment for whoever opens the file
//   version<TAB>2
//   game<TAB><the game folder's full path>
//   kept<TAB><size>        <TAB><SHA-256 of the copy><TAB><name>
//   absent<TAB><name>
//   lost<TAB><name>
//   check<TAB><SHA-256 of every byte above this line>
#include "manager/originals/store_index.h"

#include <set>
#include <utility>

#include "base/sha256.h"
#include "batchfile/file_changes.h"

namespace manager {
namespace {

constexpr char kHeader[] =
    "Original game files kept by Grenwick before mods changed them; its system menu entry "
    "\"Restore original files...\" puts them back. One file a line: kept (size, SHA-256, name; a copy is kept), "
    "absent (a mod created it) or lost (a mod changed it and no copy could be kept). The last line checks the lines "
    "above it.";
// The first line of the previous version's index, which had only kept and absent lines.
constexpr char kOldHeader[] =
    "Original game files kept by Grenwick before mods changed them; its system menu entry "
    "\"Restore original files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod "
    "created it).";
constexpr char kVersionLine[] = "version\t2";
constexpr char kGame[] = "game\t";
constexpr char kCheck[] = "check\t";
constexpr char kNewline[] = "\r\n";
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
    return !batchfile::IsDeviceName(part);
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

// One entry line of either version; `old` lines carry no size or hash.
std::optional<IndexEntry> ParseEntry(const std::string& line, bool old) {
    const std::vector<std::string> fields = SplitAt(line, '\t');
    IndexEntry entry;
    if (fields[0] == "kept" && !old && fields.size() == 4) {
        const auto size = ParseUnsigned(fields[1]);
        if (!size || !IsSha256Hex(fields[2]))
            return std::nullopt;
        entry = {EntryKind::Kept, fields[3], *size, fields[2]};
    } else if (fields.size() != 2) {
        return std::nullopt;
    } else if (fields[0] == "kept" && old) {
        entry = {EntryKind::Kept, fields[1], 0, {}};
    } else if (fields[0] == "absent") {
        entry = {EntryKind::Absent, fields[1], 0, {}};
    } else if (fields[0] == "lost" && !old) {
        entry = {EntryKind::Lost, fields[1], 0, {}};
    } else {
        return std::nullopt;
    }
    return entry;
}

// The entry lines from `first` on, every name checked and none repeated.
DecodedIndex ReadEntries(const std::vector<std::string>& lines, std::size_t first, StoreIndex index, NameFold fold) {
    std::set<std::string> seen;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const auto entry = ParseEntry(lines[i], index.old);
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

// The previous version wrote CR LF too, but its reader took a bare LF as well, so this does.
DecodedIndex DecodeOld(const std::string& text, const std::string& gameFolder, NameFold fold) {
    std::vector<std::string> lines = SplitAt(text, '\n');
    if (lines.back().empty())
        lines.pop_back();
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    StoreIndex index;
    index.gameFolder = gameFolder;
    index.old = true;
    if (!ParseFullPath(gameFolder))
        return Refused(IndexProblem::OtherGameFolder, 0);
    return ReadEntries(lines, 1, std::move(index), fold);
}

}  // namespace

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

std::optional<std::string> EncodeIndex(const StoreIndex& index, NameFold fold) {
    if (!ParseFullPath(index.gameFolder))
        return std::nullopt;
    std::string text = std::string(kHeader) + kNewline + kVersionLine + kNewline + kGame + index.gameFolder + kNewline;
    std::set<std::string> seen;
    for (const IndexEntry& entry : index.entries) {
        if (PlaceOfName(entry.name, index.gameFolder, fold) == NamePlace::Invalid ||
            !seen.insert(fold(entry.name)).second)
            return std::nullopt;
        switch (entry.kind) {
        case EntryKind::Kept:
            if (!IsSha256Hex(entry.sha256))
                return std::nullopt;
            text += "kept\t" + std::to_string(entry.size) + "\t" + entry.sha256 + "\t";
            break;
        case EntryKind::Absent:
            text += "absent\t";
            break;
        case EntryKind::Lost:
            text += "lost\t";
            break;
        }
        text += entry.name + kNewline;
    }
    return text + kCheck + base::ToHex(base::Sha256Of(text)) + kNewline;
}

DecodedIndex DecodeIndex(const std::string& text, const std::string& gameFolder, NameFold fold) {
    const std::size_t firstEnd = text.find('\n');
    const std::string firstLine = text.substr(0, firstEnd);
    if (firstLine == kOldHeader || firstLine == std::string(kOldHeader) + "\r")
        return DecodeOld(text, gameFolder, fold);

    // The check line: the last one, ending the text.
    const std::size_t checkSize = sizeof(kCheck) - 1 + kHexDigits + 2;
    if (text.size() < checkSize || text.compare(text.size() - 2, 2, kNewline) != 0)
        return Refused(IndexProblem::NoCheck, 0);
    const std::size_t checkAt = text.size() - checkSize;
    const std::string checkLine = text.substr(checkAt, checkSize - 2);
    const bool startsLine = checkAt == 0 || (checkAt >= 2 && text.compare(checkAt - 2, 2, kNewline) == 0);
    if (!startsLine || !StartsWith(checkLine, kCheck) ||
        !IsSha256Hex(checkLine.substr(sizeof(kCheck) - 1)))
        return Refused(IndexProblem::NoCheck, 0);
    const std::string body = text.substr(0, checkAt);
    if (base::ToHex(base::Sha256Of(body)) != checkLine.substr(sizeof(kCheck) - 1))
        return Refused(IndexProblem::WrongCheck, 0);

    // Every line ends in CR LF, and neither byte appears inside one.
    std::vector<std::string> lines = SplitAt(body, '\n');
    lines.pop_back();  // what follows the last line end: nothing, as the check line starts there
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string& line = lines[i];
        if (line.empty() || line.back() != '\r' || line.find('\r') != line.size() - 1)
            return Refused(IndexProblem::Malformed, i + 1);
        line.pop_back();
    }
    if (lines.size() < 3 || !StartsWith(lines[1], "version\t"))
        return Refused(IndexProblem::UnknownFormat, 0);
    if (lines[1] != kVersionLine)
        return Refused(IndexProblem::UnknownFormat, 2);
    if (!StartsWith(lines[2], kGame))
        return Refused(IndexProblem::Malformed, 3);
    StoreIndex index;
    index.gameFolder = lines[2].substr(sizeof(kGame) - 1);
    if (!ParseFullPath(index.gameFolder) || !ParseFullPath(gameFolder) || fold(index.gameFolder) != fold(gameFolder))
        return Refused(IndexProblem::OtherGameFolder, 3);
    return ReadEntries(lines, 3, std::move(index), fold);
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
