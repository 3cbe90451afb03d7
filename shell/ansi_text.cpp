// The one conversion from UTF-16 window texts to the ANSI code page for all three programs.
#include "shell/ansi_text.h"

namespace shell {

// The ANSI functions convert with "best fit": a full-width "x" becomes "x", and the file
// named would be another one. WC_NO_BEST_FIT_CHARS turns such a character into the default
// character and reports it. Where the ANSI code page is UTF-8 every character fits, and the
// function takes neither that flag nor the report.
AnsiText ToAnsi(const std::wstring& text) {
    AnsiText result;
    if (text.empty())
        return result;
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const report = utf8 ? nullptr : &usedDefault;
    const int wideLength = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), wideLength, nullptr, 0, nullptr, report);
    if (length <= 0) {
        // Only an unpaired surrogate fails here: no file can carry it either.
        result.text = std::string(text.size(), '?');
        result.exact = false;
        return result;
    }
    result.text.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(CP_ACP, flags, text.data(), wideLength, result.text.data(), length, nullptr, report);
    result.exact = !usedDefault;
    return result;
}

AnsiText WindowAnsiText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return ToAnsi(text);
}

}  // namespace shell
