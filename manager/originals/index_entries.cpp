// The pieces every version of the store's index is made of.
#include "manager/originals/index_entries.h"

#include "base/sha256.h"

namespace manager {

bool IsFullPathName(const std::string& path) { return base::SplitFullPath(path).has_value(); }

bool OnOneLine(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

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

std::string_view CheckOf(std::string_view sealed) {
    return sealed.substr(sealed.size() - kNewline.size() - kSha256HexDigits, kSha256HexDigits);
}

}  // namespace manager
