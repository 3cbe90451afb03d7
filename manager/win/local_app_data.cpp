// Finding the local application data folder: the known folder, else %LOCALAPPDATA%.
#include "manager/win/local_app_data.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "base/wide_win.h"

namespace manager {

namespace {

// A relative answer would put the store in the current folder, the game folder.
std::optional<std::string> IfFullPath(std::optional<std::string> path) {
    const char letter = path && !path->empty() ? static_cast<char>((*path)[0] | 0x20) : '\0';
    const bool drive = letter >= 'a' && letter <= 'z' && path->size() >= 3 && path->compare(1, 2, ":\\") == 0;
    const bool share = path && path->rfind("\\\\", 0) == 0;
    return drive || share ? path : std::nullopt;
}

}  // namespace

// The known folder answers even where the variable was changed or removed; the variable is
// the way left where the shell's folder service cannot answer.
std::optional<std::string> LocalAppDataFolder() {
    PWSTR known = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known))) {
        auto folder = IfFullPath(base::Utf8OfWide(known, std::wcslen(known)));
        CoTaskMemFree(known);
        return folder;
    }
    CoTaskMemFree(known);
    const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::vector<wchar_t> value(size);
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), size);
    if (length == 0 || length >= size)
        return std::nullopt;
    return IfFullPath(base::Utf8OfWide(value.data(), length));
}

}  // namespace manager
