// The one conversion of names between the kit's bytes and the wide functions' UTF-16.
#include "base/wide_win.h"

#include "base/text.h"

namespace base {
namespace {

bool StartsWith(const std::wstring& text, const wchar_t* head) { return text.rfind(head, 0) == 0; }

}  // namespace

std::wstring WideOf(const std::string& text) {
    if (const std::optional<std::u16string> utf16 = Utf16Of(text))
        return std::wstring(utf16->begin(), utf16->end());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// A lead byte of 0xC2 to 0xF4 says how long its sequence would be; only a whole valid one
// is taken as UTF-8. A lead byte of a double-byte code page takes its second byte with it.
std::wstring WideOfMixedText(const std::string& text) {
    std::wstring wide;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
        if (lead >= 0x80 && length > 1)
            if (const std::optional<std::u16string> utf16 = Utf16Of(text.substr(i, length))) {
                wide.append(utf16->begin(), utf16->end());
                i += length;
                continue;
            }
        const std::size_t bytes = lead >= 0x80 && IsDBCSLeadByte(lead) && i + 1 < text.size() ? 2 : 1;
        wide += WideOf(text.substr(i, bytes));
        i += bytes;
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
