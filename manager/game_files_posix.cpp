// The game folder's files on POSIX hosts, where the native tests run: "\" becomes "/".
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "manager/game_files.h"
#include "manager/game_files_native.h"

namespace manager {

namespace fs = std::filesystem;

// The host's root stands for drive C:, so that full names have one form on every host:
// "C:\\tmp\\game" is "/tmp/game".
std::string NativeName(const std::string& name) {
    const bool onDrive = name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') && name[1] == ':' &&
                         (name[2] == '\\' || name[2] == '/');
    std::string native = onDrive ? name.substr(2) : name;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

FileKind KindOf(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(NativeName(path), error);
    if (fs::is_directory(status))
        return FileKind::Folder;
    return fs::exists(status) ? FileKind::File : FileKind::Missing;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(NativeName(folder), error), end; !error && it != end; it.increment(error))
        if (!it->is_directory(error))
            names.push_back(it->path().filename().string());
    return names;
}

bool MakeFolders(const std::string& path) {
    std::error_code error;
    fs::create_directories(NativeName(path), error);
    return fs::is_directory(NativeName(path), error);
}

bool RemoveEmptyFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(NativeName(path), error) && fs::remove(NativeName(path), error);
}

std::string CurrentFolder() {
    std::error_code error;
    return fs::current_path(error).string();
}

std::string FoldCase(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

}  // namespace manager
