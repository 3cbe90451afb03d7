// Path name helpers: splitting, joining, wildcards, device and program names, where a name lies,
// and full names as the batch reader resolves them.
#include "base/paths.h"

#include <algorithm>

#include "base/text.h"

namespace base {
namespace {

// The bytes of the UTF-8 character at `at`: a "?" stands for a character, not a byte.
std::size_t CharLength(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size() - at);
}

// Both folded already: letters compare as their bytes.
bool GlobMatch(const std::string& pattern, const std::string& name) {
    std::size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLength(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            starN += CharLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string FillPart(const std::string& pattern, const std::string& source) {
    std::string out;
    std::size_t s = 0;  // the source's character at the place of the pattern's
    for (std::size_t p = 0; p < pattern.size(); p += CharLength(pattern, p)) {
        if (pattern[p] == '*')
            return out + source.substr(s);
        const std::size_t next = s < source.size() ? s + CharLength(source, s) : s;
        out += pattern[p] == '?' ? source.substr(s, next - s) : pattern.substr(p, CharLength(pattern, p));
        s = next;
    }
    return out;
}

}  // namespace

SplitName Split(const std::string& name) {
    SplitName split;
    std::size_t at = 0;
    if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) {
        split.root = "\\\\";
        at = 2;
        for (int part = 0; part < 2 && at < name.size(); ++part) {
            const std::size_t end = std::min(name.find_first_of("\\/", at), name.size());
            split.root += name.substr(at, end - at) + "\\";
            at = end + 1;
        }
    } else if (name.size() >= 2 && name[1] == ':') {
        split.root = name.substr(0, 2);
        at = 2;
    }
    if (at < name.size() && IsSeparator(name[at])) {
        split.root += "\\";
        ++at;
    }
    while (at < name.size()) {
        const std::size_t end = std::min(name.find_first_of("\\/", at), name.size());
        const std::string part = name.substr(at, end - at);
        if (part == "..") {
            if (!split.parts.empty())
                split.parts.pop_back();
        } else if (!part.empty() && part != ".") {
            split.parts.push_back(part);
        }
        at = end + 1;
    }
    return split;
}

std::string JoinParts(const std::vector<std::string>& parts, std::size_t from) {
    std::string joined;
    for (std::size_t i = from; i < parts.size(); ++i)
        joined += (i > from ? "\\" : "") + parts[i];
    return joined;
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

std::string FolderPart(const std::string& name) {
    const std::size_t end = name.find_last_of("\\/:");
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::string BaseName(const std::string& name) { return name.substr(FolderPart(name).size()); }

bool IsRooted(const std::string& name) {
    return (!name.empty() && IsSeparator(name[0])) || (name.size() >= 2 && name[1] == ':');
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

bool MatchesWildcard(const std::string& anyCasePattern, const std::string& anyCaseName) {
    const std::string pattern = FoldCase(anyCasePattern);
    const std::string name = FoldCase(anyCaseName);
    if (GlobMatch(pattern, name))
        return true;
    const bool dotless = name.find('.') == std::string::npos;
    if (dotless && pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
        return GlobMatch(pattern.substr(0, pattern.size() - 2), name);
    if (dotless && !pattern.empty() && pattern.back() == '.')
        return GlobMatch(pattern.substr(0, pattern.size() - 1), name);
    return false;
}

std::string NameByPattern(const std::string& pattern, const std::string& name) {
    const std::size_t patternDot = pattern.rfind('.');
    if (patternDot == std::string::npos)
        return FillPart(pattern, name);
    const std::size_t nameDot = name.rfind('.');
    const std::string stem = name.substr(0, nameDot);
    const std::string extension = nameDot == std::string::npos ? std::string() : name.substr(nameDot + 1);
    std::string result = FillPart(pattern.substr(0, patternDot), stem);
    const std::string newExtension = FillPart(pattern.substr(patternDot + 1), extension);
    if (!newExtension.empty())
        result += "." + newExtension;
    return result;
}

// Read in place: names are checked by the thousand when the store's index is read.
bool IsDeviceName(const std::string& name) {
    std::size_t start = name.size();
    while (start > 0 && !IsSeparator(name[start - 1]) && name[start - 1] != ':')
        --start;
    const std::size_t dot = name.find('.', start);
    const std::size_t length = (dot == std::string::npos ? name.size() : dot) - start;
    const auto stemIs = [&](const char* word) {
        for (std::size_t i = 0; i < 3; ++i)
            if (AsciiLower(name[start + i]) != word[i])
                return false;
        return true;
    };
    if (length == 3)
        return stemIs("con") || stemIs("prn") || stemIs("aux") || stemIs("nul");
    return length == 4 && (stemIs("com") || stemIs("lpt")) && name[start + 3] >= '1' && name[start + 3] <= '9';
}

namespace {

// The pieces between separators, empty ones too.
std::vector<std::string> PartsOf(const std::string& rest) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t end; (end = rest.find('\\', at)) != std::string::npos; at = end + 1)
        parts.push_back(rest.substr(at, end - at));
    parts.push_back(rest.substr(at));
    return parts;
}

}  // namespace

bool IsPlainPart(const std::string& part) {
    if (part.empty() || part.back() == '.' || part.back() == ' ')
        return false;
    for (const char c : part)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '*' || c == '/' || c == ':' || c == '<' ||
            c == '>' || c == '?' || c == '\\' || c == '|')
            return false;
    return !IsDeviceName(part);
}

std::optional<SplitName> SplitFullPath(const std::string& path) {
    SplitName full;
    std::string rest;
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') {
        full.root = path.substr(0, 3);
        rest = path.substr(3);
    } else if (path.rfind("\\\\", 0) == 0) {
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
        full.parts = PartsOf(rest);
    for (const std::string& part : full.parts)
        if (!IsPlainPart(part))
            return std::nullopt;
    return full;
}

bool IsWithin(const SplitName& name, const SplitName& folder, NameFold fold) {
    bool within = fold(name.root) == fold(folder.root) && name.parts.size() >= folder.parts.size();
    for (std::size_t i = 0; within && i < folder.parts.size(); ++i)
        within = fold(name.parts[i]) == fold(folder.parts[i]);
    return within;
}

FolderPlace PlaceInFolder(const std::string& name, const std::string& folder) {
    const SplitName home = Split(folder);
    SplitName split = Split(name);
    const std::string drive = home.root.substr(0, home.root.find('\\'));
    if (split.root.empty() || FoldCase(split.root) == FoldCase(drive)) {
        split = Split(folder + "\\" + name.substr(split.root.size()));
    } else if (split.root == "\\") {
        split.root = drive + "\\";
    } else if (split.root.back() != '\\') {
        split.root += "\\";
    }
    if (IsWithin(split, home, &FoldCase))
        return {JoinParts(split.parts, home.parts.size()), true};
    return {split.root + JoinParts(split.parts, 0), false};
}

std::string WithoutTrailingSeparator(std::string name) {
    while (name.size() > 1 && IsSeparator(name.back()) && name[name.size() - 2] != ':')
        name.pop_back();
    return name;
}

std::string RootAsFolder(const std::string& name) {
    std::string below;
    for (const char c : name)
        if (c != ':' && !(below.empty() && c == '\\'))
            below.push_back(c);
    return below;
}

}  // namespace base

// Full names as the batch reader resolves them.
namespace base {
namespace {

// "C:" of "C:\a", "\\srv\share" of "\\srv\share\a"; the rest starts after it.
std::size_t FullPrefixLength(const std::string& full) {
    if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1])) {
        std::size_t end = full.find_first_of("\\/", 2);
        if (end != std::string::npos)
            end = full.find_first_of("\\/", end + 1);
        return end == std::string::npos ? full.size() : end;
    }
    if (full.size() >= 2 && IsAsciiLetter(full[0]) && full[1] == ':')
        return 2;
    return 0;
}

}  // namespace

std::string NormaliseFull(const std::string& full) {
    const std::size_t prefixLength = FullPrefixLength(full);
    std::string prefix = full.substr(0, prefixLength);
    std::replace(prefix.begin(), prefix.end(), '/', '\\');
    std::vector<std::string> parts;
    std::string part;
    auto finish = [&] {
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (part != ".") {
            // Windows drops trailing dots and blanks of every name part.
            const std::size_t end = part.find_last_not_of(". ");
            if (end != std::string::npos)
                parts.push_back(part.substr(0, end + 1));
        }
        part.clear();
    };
    for (std::size_t i = prefixLength; i < full.size(); ++i) {
        if (IsSeparator(full[i]))
            finish();
        else
            part.push_back(full[i]);
    }
    finish();
    return prefix + "\\" + JoinParts(parts);
}

bool IsFullRoot(const std::string& full) {
    return full.size() == FullPrefixLength(full) + 1 && full.back() == '\\';
}

std::string ParentFolder(const std::string& name) {
    const std::size_t prefix = FullPrefixLength(name);
    const std::size_t last = name.find_last_of("\\/");
    if (last == std::string::npos || last < prefix)
        return name.substr(0, prefix);
    return name.substr(0, last <= prefix ? last + 1 : last);  // a root keeps its separator
}

std::string FullLeaf(const std::string& full) {
    if (IsFullRoot(full))
        return std::string();
    const std::size_t slash = full.rfind('\\');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

std::string ProgramName(const std::string& path) {
    std::string name = BaseName(path);
    for (const char* extension : {".exe", ".com"})
        if (name.size() > 4 && EqualsIgnoringCase(name.substr(name.size() - 4), extension))
            name.erase(name.size() - 4);
    return name;
}

}  // namespace base

namespace base {

NamePlace PlaceOfName(const std::string& name, const std::string& folder, NameFold fold) {
    if (name.empty())
        return NamePlace::Invalid;
    if (name.find(':') == std::string::npos && name[0] != '\\') {
        // One buffer for every part: a list of kept files names thousands.
        std::string part;
        for (std::size_t at = 0; at <= name.size();) {
            const std::size_t end = std::min(name.find('\\', at), name.size());
            part.assign(name, at, end - at);
            if (!IsPlainPart(part))
                return NamePlace::Invalid;
            at = end + 1;
        }
        return NamePlace::Inside;
    }
    const std::optional<SplitName> full = SplitFullPath(name);
    const std::optional<SplitName> home = SplitFullPath(folder);
    if (!full || full->parts.empty() || !home)
        return NamePlace::Invalid;
    const bool inside = IsWithin(*full, *home, fold) && full->parts.size() > home->parts.size();
    return inside ? NamePlace::Invalid : NamePlace::Outside;
}

}  // namespace base
