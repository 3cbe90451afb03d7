// The one conversion of names between the kit's bytes and the wide functions' UTF-16.
#include "base/wide_win.h"

#include "base/text.h"

namespace base {
namespace {

bool StartsWith(const std::wstring& text, const wchar_t* head) { return text.rfind(head, 0) == 0; }

}  // namespace

// The system's own reading of UTF-8: a byte that is no part of a UTF-8 character becomes
// U+FFFD, which no file's name holds, so a name that is no UTF-8 reaches no file.
std::wstring WideOf(const std::string& text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
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
