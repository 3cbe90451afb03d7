// UTF-16 to ANSI without the platform's silent replacements.
#include "shell/ansi_text.h"

namespace shell {

// The round trip catches what the default-character flag cannot see in multi-byte code
// pages; a UTF-8 ANSI page takes every character and refuses the flag, so it gets none.
std::optional<std::string> ToAnsiExactly(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, usedDefaultOut);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), length, ansi.data(), size, nullptr, usedDefaultOut);
    std::wstring back(text.size(), L'\0');
    const int backLength = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, back.data(), length);
    if (usedDefault || backLength != length || back != text)
        return std::nullopt;
    return ansi;
}

}  // namespace shell
