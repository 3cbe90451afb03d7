// Names and texts between the kit's bytes and the system's UTF-16, for the Windows bodies of
// base/ and for the shell. Inside the kit a name is UTF-8; bytes that are no UTF-8 are read
// in the ANSI code page, as every name was before the kit spoke UTF-8.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace base {

// UTF-8 where the bytes are UTF-8, else the ANSI code page's bytes.
std::wstring WideOf(const std::string& text);

// A text that may join UTF-8 names to ANSI texts (a message naming a file and a mod): each
// UTF-8 sequence of two to four bytes is read as UTF-8, every other byte in the code page.
std::wstring WideOfMixedText(const std::string& text);

std::string Utf8OfWide(const wchar_t* text, std::size_t length);
inline std::string Utf8OfWide(const std::wstring& text) { return Utf8OfWide(text.data(), text.size()); }

// The name as the wide file functions take it: full, "." and ".." resolved and, for a full
// path of a drive or a share, in the long form ("\\?\C:\...", "\\?\UNC\server\share\..."),
// which reaches paths up to the system's limit of 32,767 characters. A device stays as the
// system names it ("\\.\NUL").
std::wstring LongName(const std::string& name);

}  // namespace base
