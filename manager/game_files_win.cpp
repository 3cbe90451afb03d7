// The game folder's files on Windows, through the ANSI file functions: the C++ library's
// file system names take narrow strings as UTF-8 there, not as the ANSI code page.
#include <windows.h>

#include "manager/game_files.h"
#include "manager/game_files_native.h"

namespace manager {

std::string NativeName(const std::string& name) { return name; }

FileKind KindOf(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FileKind::Missing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? FileKind::Folder : FileKind::File;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool MakeFolders(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/') && path[path.size() - 2] != ':')
        path.pop_back();
    if (path.empty() || KindOf(path) == FileKind::Folder)
        return true;
    const std::size_t parent = path.find_last_of("\\/");
    if (parent != std::string::npos && parent > 0 && path[parent - 1] != ':' && !MakeFolders(path.substr(0, parent)))
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) || KindOf(path) == FileKind::Folder;
}

bool RemoveEmptyFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

std::string CurrentFolder() {
    std::string folder(GetCurrentDirectoryA(0, nullptr), '\0');
    folder.resize(GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

// File names compare as the upper-case letters of the ANSI code page, not only ASCII ones.
std::string FoldCase(const std::string& name) {
    std::string folded = name;
    if (!folded.empty())
        CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

}  // namespace manager
