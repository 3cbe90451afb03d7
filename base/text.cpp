// Text tests shared by the core.
#include "base/text.h"

#include <algorithm>
#include <cctype>

namespace base {

bool IsBlank(const std::string& text) { return std::all_of(text.begin(), text.end(), IsWhiteSpace); }

int CompareIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace base
