// Reading the process's environment block.
#include "manager/win/process_environment.h"

#include <cwchar>

#include "base/wide_win.h"

namespace manager {

// Read in UTF-16 and given in UTF-8, as the file layer takes names: a folder the code page
// cannot spell (a user's profile named in Japanese) stays whole.
std::vector<std::pair<std::string, std::string>> ProcessEnvironment() {
    std::vector<std::pair<std::string, std::string>> variables;
    wchar_t* block = GetEnvironmentStringsW();
    if (!block)
        return variables;  // none to pass on: the batch files see their own later anyway
    for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) {
        const wchar_t* equals = std::wcschr(entry, L'=');
        if (entry[0] == L'=' || !equals)
            continue;
        variables.emplace_back(base::Utf8OfWide(entry, static_cast<std::size_t>(equals - entry)),
                               base::Utf8OfWide(equals + 1, std::wcslen(equals + 1)));
    }
    FreeEnvironmentStringsW(block);
    return variables;
}

}  // namespace manager
