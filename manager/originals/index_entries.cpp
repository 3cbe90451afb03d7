// The pieces every version of the store's index is made of.
#include "manager/originals/index_entries.h"

namespace manager {

bool IsFullPathName(const std::string& path) { return base::SplitFullPath(path).has_value(); }

// A full path inside the game folder is refused rather than taken as its relative name, so
// each file has one spelling in the index.
NamePlace PlaceOfName(const std::string& name, const std::string& gameFolder, NameFold fold) {
    if (name.empty())
        return NamePlace::Invalid;
    if (name.find(':') == std::string::npos && name[0] != '\\') {
        for (const std::string& part : SplitAt(name, '\\'))
            if (!base::IsPlainPart(part))
                return NamePlace::Invalid;
        return NamePlace::Inside;
    }
    const auto full = base::SplitFullPath(name);
    const auto game = base::SplitFullPath(gameFolder);
    if (!full || full->parts.empty() || !game)
        return NamePlace::Invalid;
    const bool inside = base::IsWithin(*full, *game, fold) && full->parts.size() > game->parts.size();
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
    if (text.size() != kSha256HexDigits)
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
