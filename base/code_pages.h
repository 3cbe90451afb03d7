// Text the system keeps in a code page, read into the kit's UTF-8: the ANSI code page of the
// list files, the typed batch path and the last-mod file, and the console's code page in which
// the command interpreter reads a batch file's lines.
#pragma once

#include <optional>
#include <string>

namespace base {

inline constexpr unsigned kUtf8CodePage = 65001;

// The system's ANSI and OEM code pages (the OEM one is a new console's); UTF-8 on hosts
// whose names are UTF-8.
unsigned AnsiCodePage();
unsigned OemCodePage();

// `bytes` read in code page `codePage`; nothing when the system has no such code page or the
// bytes are no text in it (a stray UTF-8 byte, a lead byte without its trail).
std::optional<std::string> Utf8OfCodePage(const std::string& bytes, unsigned codePage);

// The ANSI code page's text in UTF-8. A byte the code page gives no character becomes U+FFFD,
// which names no file.
std::string Utf8OfAnsi(const std::string& ansi);

}  // namespace base
