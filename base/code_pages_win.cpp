// Code pages on Windows: the system's own tables.
#include "base/code_pages.h"

#include <windows.h>

#include "base/text.h"
#include "base/wide_win.h"

namespace base {
namespace {

std::optional<std::wstring> WideOfCodePage(const std::string& bytes, unsigned codePage, DWORD flags) {
    if (bytes.empty())
        return std::wstring();
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), length, wide.data(), size);
    return wide;
}

}  // namespace

unsigned AnsiCodePage() { return GetACP(); }
unsigned OemCodePage() { return GetOEMCP(); }

std::optional<std::string> Utf8OfCodePage(const std::string& bytes, unsigned codePage) {
    if (codePage == kUtf8CodePage)
        return Utf16Of(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    if (!IsValidCodePage(codePage))
        return std::nullopt;
    const auto wide = WideOfCodePage(bytes, codePage, MB_ERR_INVALID_CHARS);
    return wide ? std::optional<std::string>(Utf8OfWide(*wide)) : std::nullopt;
}

std::string Utf8OfAnsi(const std::string& ansi) { return Utf8OfWide(WideOfCodePage(ansi, CP_ACP, 0).value_or(L"")); }

}  // namespace base
