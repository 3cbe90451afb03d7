// Names and texts between the kit's bytes and the system's UTF-16, for the Windows bodies of
// base/ and for the shell. Inside the kit a name is UTF-8; bytes that are no UTF-8 are read
// in the ANSI code page, as every name was before the kit spoke UTF-8.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace base {

// UTF-8 where the bytes are UTF-8, else the ANSI code page's bytes. A text that joins UTF-8
// to the code page's bytes (a game folder and a batch file's name, a message naming a file
// and a mod) is read piece by piece where the code page has one byte per character.
std::wstring WideOf(const std::string& text);

std::string Utf8OfWide(const wchar_t* text, std::size_t length);
inline std::string Utf8OfWide(const std::wstring& text) { return Utf8OfWide(text.data(), text.size()); }

// The name as the wide file functions take it: full, "." and ".." resolved and, for a full
// path of a drive or a share, in the long form ("\\?\C:\...", "\\?\UNC\server\share\..."),
// which reaches paths up to the system's limit of 32,767 characters. A device stays as the
// system names it ("\\.\NUL").
std::wstring LongName(const std::string& name);

}  // namespace base
