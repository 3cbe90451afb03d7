// Names and texts between the kit's UTF-8 and the system's UTF-16, for the Windows bodies of
// base/ and for the shell. Text in a code page is read into UTF-8 at the edge (code_pages.h).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace base {

// A byte that is no part of a UTF-8 character becomes U+FFFD.
std::wstring WideOf(const std::string& text);

std::string Utf8OfWide(const wchar_t* text, std::size_t length);
inline std::string Utf8OfWide(const std::wstring& text) { return Utf8OfWide(text.data(), text.size()); }

// The name as the wide file functions take it: full, "." and ".." resolved and, for a full
// path of a drive or a share, in the long form ("\\?\C:\...", "\\?\UNC\server\share\..."),
// which reaches paths up to the system's limit of 32,767 characters. A device stays as the
// system names it ("\\.\NUL").
std::wstring LongName(const std::string& name);

}  // namespace base
