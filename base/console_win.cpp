// Arguments from the wide command line, and console text through the wide console call.
#include "base/console.h"

#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include <cwchar>

#include "base/wide_win.h"

namespace base {

// CommandLineToArgvW splits as the C runtime does for argv, quotes and backslashes alike.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(Utf8OfWide(wide[i], std::wcslen(wide[i])));
    LocalFree(wide);
    return arguments;
}

// A console shows UTF-16 whatever its code page; a file or a pipe takes the bytes.
void WriteText(std::FILE* stream, const std::string& text) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
        std::fputs(text.c_str(), stream);
        return;
    }
    std::fflush(stream);
    const std::wstring wide = WideOf(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace base
