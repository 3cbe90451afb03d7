// The one conversion of names between the kit's bytes and the wide functions' UTF-16.
#include "base/wide_win.h"

#include "base/text.h"

namespace base {
namespace {

bool StartsWith(const std::wstring& text, const wchar_t* head) { return text.rfind(head, 0) == 0; }

std::wstring AnsiToWide(const std::string& text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

}  // namespace

// Until every name inside the kit is UTF-8, one text may join both: a game folder from the
// system (UTF-8) and a name from a batch file (the code page). Where the code page has one
// byte per character, each whole UTF-8 sequence is read as UTF-8 and every other byte in the
// code page; a double-byte code page's text often holds byte runs that look like UTF-8, so
// there a text that is not UTF-8 throughout is read in the code page.
std::wstring WideOf(const std::string& text) {
    if (const std::optional<std::u16string> utf16 = Utf16Of(text))
        return std::wstring(utf16->begin(), utf16->end());
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1)
        return AnsiToWide(text);
    std::wstring wide;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
        std::optional<std::u16string> utf16;
        if (length > 1)
            utf16 = Utf16Of(text.substr(i, length));
        if (utf16) {
            wide.append(utf16->begin(), utf16->end());
            i += length;
        } else {
            wide += AnsiToWide(text.substr(i, 1));
            ++i;
        }
    }
    return wide;
}

std::string Utf8OfWide(const wchar_t* text, std::size_t length) { return Utf8Of(std::u16string(text, text + length)); }

// GetFullPathNameW reads a name as every other file function would (it drops a last part's
// trailing dots and blanks, takes "/" for "\"), so the long form, which the system takes
// as written, names the same file.
std::wstring LongName(const std::string& name) {
    const std::wstring wide = WideOf(name);
    if (wide.empty() || StartsWith(wide, L"\\\\?\\") || StartsWith(wide, L"\\\\.\\"))
        return wide;
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return wide;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    if (StartsWith(full, L"\\\\.\\") || StartsWith(full, L"\\\\?\\"))
        return full;
    if (StartsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':')
        return L"\\\\?\\" + full;
    return full;
}

}  // namespace base
