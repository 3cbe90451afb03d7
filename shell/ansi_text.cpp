// The one conversion from UTF-16 window texts to the ANSI code page for all three programs.
#include "shell/ansi_text.h"

#include <vector>

namespace shell {

// The ANSI functions convert with "best fit": a full-width "x" becomes "x", and the file
// named would be another one. WC_NO_BEST_FIT_CHARS turns such a character into the default
// character and reports it. Where the ANSI code page is UTF-8 every character fits, and the
// function takes neither that flag nor the report.
AnsiText ToAnsi(const wchar_t* text, int length) {
    AnsiText result;
    if (length <= 0)
        return result;
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const report = utf8 ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(CP_ACP, flags, text, length, nullptr, 0, nullptr, report);
    if (size <= 0) {
        // Only an unpaired surrogate fails here: no file can carry it either.
        result.text = std::string(static_cast<std::size_t>(length), '?');
        result.exact = false;
        return result;
    }
    result.text.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, flags, text, length, result.text.data(), size, nullptr, report);
    result.exact = !usedDefault;
    return result;
}

// A vector, not std::wstring: the static C++ library would add its whole wide string.
AnsiText WindowAnsiText(HWND window) {
    std::vector<wchar_t> text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1);
    return ToAnsi(text.data(), GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
}

}  // namespace shell
