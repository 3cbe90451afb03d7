// The store's disk needs on Windows, through the ANSI file functions.
#include <windows.h>

#include "manager/originals/store_disk.h"

namespace manager::store_disk {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

bool IsDotName(const char* name) { return name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2])); }

// Below `relative` (empty for the top), depth-first; reparse points (links, junctions) are not
// followed, so a link to a folder above cannot make the walk endless.
void Walk(const std::string& top, const std::string& relative, std::vector<TreeFile>& files) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileExA(Join(Join(top, relative), "*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (IsDotName(found.cFileName))
            continue;
        const std::string name = relative.empty() ? found.cFileName : relative + "\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                Walk(top, name, files);
            continue;
        }
        const std::uint64_t size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        const std::int64_t time = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
            found.ftLastWriteTime.dwLowDateTime);
        files.push_back({name, size, time});
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::vector<Entry> List(const std::string& folder) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        if (!IsDotName(found.cFileName))
            entries.push_back({found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

std::optional<TreeFile> StatFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const std::int64_t time = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime);
    return TreeFile{{}, size, time};
}

bool SetWriteTime(const std::string& path, std::int64_t time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const auto ticks = static_cast<std::uint64_t>(time);
    const FILETIME written{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    const bool set = SetFileTime(file, nullptr, nullptr, &written) != 0;
    CloseHandle(file);
    return set;
}

std::vector<TreeFile> WalkTree(const std::string& folder) {
    std::vector<TreeFile> files;
    Walk(folder, std::string(), files);
    return files;
}

std::optional<std::uint64_t> FreeSpace(const std::string& folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(Join(folder, "").c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

std::string CurrentFolder() {
    std::string folder(GetCurrentDirectoryA(0, nullptr), '\0');
    folder.resize(GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

}  // namespace manager::store_disk
