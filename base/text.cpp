// Text tests shared by the core.
#include "base/text.h"

#include <algorithm>

namespace base {

bool IsBlank(const std::string& text) { return std::all_of(text.begin(), text.end(), IsWhiteSpace); }

std::string AsciiLower(std::string text) {
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

int CompareIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace base
