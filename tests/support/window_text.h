// A window's text as a byte string in the ANSI code page, as the system converts it: how the
// Windows tests and the release check read back what a window shows.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

inline std::string WindowText(HWND hwnd) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace testing_support
