// Small text tests shared by the core: white space as the list files and fields see it,
// ASCII letters and their case, folded in one way for every comparison that ignores it, and
// the two Unicode forms file names take.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Blank, tab, CR, LF, vertical tab or form feed.
constexpr bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// True for an empty text and for one of white space only.
bool IsBlank(const std::string& text);

constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A to Z become a to z; every other byte, those of the code page's upper half too, stays.
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string AsciiLower(std::string text);
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Byte-wise three-way comparison that ignores ASCII letter case: negative, zero or positive.
int CompareIgnoringCase(const std::string& a, const std::string& b);
inline bool EqualsIgnoringCase(const std::string& a, const std::string& b) { return CompareIgnoringCase(a, b) == 0; }

// UTF-8 and UTF-16, as file names cross between the kit and the system's wide functions.
// Utf16Of gives nothing for bytes that are not UTF-8 (a stray byte, an overlong form, a
// surrogate's code); Utf8Of writes an unpaired surrogate as U+FFFD, which no name holds.
std::optional<std::u16string> Utf16Of(const std::string& utf8);
std::string Utf8Of(const std::u16string& utf16);

// Whether `text` begins with `prefix`.
inline bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }
// The pieces of `text` between its `separator`s: always one more than it holds separators.
std::vector<std::string> SplitAt(const std::string& text, char separator);

}  // namespace base
