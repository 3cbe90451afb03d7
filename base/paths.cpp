// Path name helpers: splitting, joining, wildcards, device and program names.
#include "base/paths.h"

#include <algorithm>

#include "base/text.h"

namespace base {
namespace {

bool GlobMatch(const std::string& pattern, const std::string& name) {
    std::size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
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
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '*') {
            if (i < source.size())
                out += source.substr(i);
            return out;
        }
        if (pattern[i] != '?')
            out.push_back(pattern[i]);
        else if (i < source.size())
            out.push_back(source[i]);
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

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
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

bool IsDeviceName(const std::string& name) {
    const std::string base = AsciiLower(BaseName(name));
    const std::string stem = base.substr(0, base.find('.'));
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}

std::string ProgramName(const std::string& path) {
    std::string name = BaseName(path);
    for (const char* extension : {".exe", ".com"})
        if (name.size() > 4 && EqualsIgnoringCase(name.substr(name.size() - 4), extension))
            name.erase(name.size() - 4);
    return name;
}

}  // namespace base
