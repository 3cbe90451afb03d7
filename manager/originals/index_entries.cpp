// The pieces every version of the store's index is made of.
#include "manager/originals/index_entries.h"

#include <algorithm>

#include "base/sha256.h"

namespace manager {

bool IsFullPathName(const std::string& path) { return base::SplitFullPath(path).has_value(); }

// A full path inside the game folder is refused rather than taken as its relative name, so
// each file has one spelling in the index.
NamePlace PlaceOfName(const std::string& name, const std::string& gameFolder, NameFold fold) {
    if (name.empty())
        return NamePlace::Invalid;
    if (name.find(':') == std::string::npos && name[0] != '\\') {
        // One buffer for every part: the index names thousands of files.
        std::string part;
        for (std::size_t at = 0; at <= name.size();) {
            const std::size_t end = std::min(name.find('\\', at), name.size());
            part.assign(name, at, end - at);
            if (!base::IsPlainPart(part))
                return NamePlace::Invalid;
            at = end + 1;
        }
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

// Counted first, so the pieces are made in place once and never moved.
std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::size_t count = 1;
    for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, at + 1))
        ++count;
    std::vector<std::string> pieces;
    pieces.reserve(count);
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1)
        pieces.emplace_back(text, at, end - at);
    pieces.emplace_back(text, at);
    return pieces;
}

bool IsSha256Hex(std::string_view text) {
    if (text.size() != kSha256HexDigits)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
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

std::optional<std::int64_t> ParseSigned(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    const auto magnitude = ParseUnsigned(negative ? text.substr(1) : text);
    const std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX) + (negative ? 1 : 0);
    if (!magnitude || *magnitude > limit || (negative && *magnitude == 0))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - *magnitude) : static_cast<std::int64_t>(*magnitude);
}

namespace {

constexpr std::string_view kCheck = "check\t";
constexpr std::string_view kNewline = "\r\n";

}  // namespace

std::string WithCheckLine(std::string body) {
    const std::string hash = base::ToHex(base::Sha256Of(body));
    body.append(kCheck).append(hash).append(kNewline);
    return body;
}

std::optional<std::string_view> CheckedBody(std::string_view text, IndexProblem& problem) {
    const std::size_t checkSize = kCheck.size() + kSha256HexDigits + kNewline.size();
    problem = IndexProblem::NoCheck;
    if (text.size() < checkSize || text.substr(text.size() - 2) != kNewline)
        return std::nullopt;
    const std::size_t checkAt = text.size() - checkSize;
    const std::string_view checkLine = text.substr(checkAt, checkSize - 2);
    const bool startsLine = checkAt == 0 || (checkAt >= 2 && text.substr(checkAt - 2, 2) == kNewline);
    if (!startsLine || checkLine.substr(0, kCheck.size()) != kCheck)
        return std::nullopt;
    const std::string_view body = text.substr(0, checkAt);
    problem = IndexProblem::WrongCheck;
    base::Sha256 hash;
    hash.Update(body.data(), body.size());
    if (base::ToHex(hash.Finish()) != checkLine.substr(kCheck.size()))
        return std::nullopt;
    problem = IndexProblem::None;
    return body;
}

}  // namespace manager
