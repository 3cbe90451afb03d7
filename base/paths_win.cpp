// Name folding on Windows, by the system's own rule for file names, and names as the kit kept
// them before, in the ANSI code page.
#include "base/paths.h"

#include <algorithm>

#include "base/wide_win.h"

namespace base {

// NTFS compares names by upper-casing each UTF-16 unit with the system's table, the same
// for every locale: LCMapStringEx with the invariant locale and no linguistic casing does
// just that ("Äpfel" and "äpfel", "ΣΟΦΊΑ" and "σοφία" fold alike). The folded name is UTF-8.
std::string FoldCase(const std::string& name) {
    // Most names are ASCII, whose letters the table maps as A to Z: no conversion is needed.
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string folded = name;
        for (char& c : folded)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return folded;
    }
    const std::wstring wide = WideOf(name);
    if (wide.empty())
        return {};
    std::wstring folded(wide.size(), L'\0');
    const int size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()),
                                   folded.data(), static_cast<int>(folded.size()), nullptr, nullptr, 0);
    folded.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return Utf8OfWide(size > 0 ? folded : wide);
}

std::optional<std::string> AnsiOf(const std::string& name) {
    const std::wstring wide = WideOf(name);
    if (wide.empty())
        return std::string();
    BOOL lacking = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &lacking);
    if (size <= 0 || lacking)
        return std::nullopt;
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                        nullptr, &lacking);
    return ansi;
}

std::string FoldAnsi(const std::string& ansi) {
    std::string folded = ansi;
    if (!folded.empty())
        CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

}  // namespace base
