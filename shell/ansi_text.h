// Texts from windows in the ANSI code page, converted without "best fit", so that a
// character the code page lacks is noticed instead of replaced by a look-alike.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

struct AnsiText {
    std::string text;   // a character the code page lacks shows as "?"
    bool exact = true;  // false when such a character was there
};

// `length` UTF-16 units from `text`.
AnsiText ToAnsi(const wchar_t* text, int length);

// The window's text, read as UTF-16 and converted with ToAnsi.
AnsiText WindowAnsiText(HWND window);

}  // namespace shell
