// Text from the system's UTF-16 side, such as dropped file names, in the ANSI code page.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace shell {

// The text in the ANSI code page, or nothing when a character does not convert exactly:
// no "best fit" stand-in (a full-width letter for its ASCII one) and no "?" either.
std::optional<std::string> ToAnsiExactly(const std::wstring& text);

}  // namespace shell
