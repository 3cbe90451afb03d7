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

// Each code point's lead byte says how many bytes follow; each of those carries six bits.
// The shortest form only, and nothing above U+10FFFF or in the surrogates' range.
std::optional<std::u16string> Utf16Of(const std::string& utf8) {
    std::u16string wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int follow = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                         : lead >= 0xF0 && lead < 0xF5 ? 3 : -1;
        if (follow < 0 || i + static_cast<std::size_t>(follow) >= utf8.size())
            return std::nullopt;
        char32_t point = follow == 0 ? lead : lead & (0x3F >> follow);
        for (int k = 1; k <= follow; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            point = point << 6 | (next & 0x3F);
        }
        static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (point < kLeast[follow] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000))
            return std::nullopt;
        if (point < 0x10000) {
            wide.push_back(static_cast<char16_t>(point));
        } else {
            wide.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
        }
        i += static_cast<std::size_t>(follow) + 1;
    }
    return wide;
}

std::string Utf8Of(const std::u16string& utf16) {
    std::string utf8;
    utf8.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t point = utf16[i];
        if (point >= 0xD800 && point < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000)
            point = 0x10000 + ((point - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        else if (point >= 0xD800 && point < 0xE000)
            point = 0xFFFD;
        if (point < 0x80) {
            utf8.push_back(static_cast<char>(point));
            continue;
        }
        const int follow = point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
        utf8.push_back(static_cast<char>(((0xFF00 >> (follow + 1)) & 0xFF) | (point >> (6 * follow))));
        for (int k = follow - 1; k >= 0; --k)
            utf8.push_back(static_cast<char>(0x80 | ((point >> (6 * k)) & 0x3F)));
    }
    return utf8;
}

}  // namespace base
