// Small text tests shared by the core: white space as the list files and fields see it, and
// the portable name order.
#pragma once

#include <string>

namespace base {

// Blank, tab, CR, LF, vertical tab or form feed.
constexpr bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// True for an empty text and for one of white space only.
bool IsBlank(const std::string& text);

// Byte-wise three-way comparison that ignores ASCII letter case: negative, zero or positive.
int CompareIgnoringCase(const std::string& a, const std::string& b);

}  // namespace base
