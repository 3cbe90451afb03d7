// A window's text as a byte string in the ANSI code page, as the system converts it.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

inline std::string WindowText(HWND hwnd) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace shell
