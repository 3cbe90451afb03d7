// The store's disk needs on POSIX hosts, where the native tests run: "\" becomes "/".
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>

#include "manager/game_files_native.h"
#include "manager/originals/store_disk.h"

namespace manager::store_disk {

namespace fs = std::filesystem;

std::vector<Entry> List(const std::string& folder) {
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(NativeName(folder), error), end; !error && it != end; it.increment(error))
        entries.push_back({it->path().filename().string(), it->is_directory(error)});
    return entries;
}

namespace {

std::int64_t TimeOf(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

}  // namespace

std::optional<TreeFile> StatFile(const std::string& path) {
    struct stat info {};
    if (stat(NativeName(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return TreeFile{{}, static_cast<std::uint64_t>(info.st_size), TimeOf(info)};
}

bool SetWriteTime(const std::string& path, std::int64_t time) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(time / 1000000000), static_cast<long>(time % 1000000000)}};
    return utimensat(AT_FDCWD, NativeName(path).c_str(), times, 0) == 0;
}

std::vector<TreeFile> WalkTree(const std::string& folder) {
    std::vector<TreeFile> files;
    const std::string root = NativeName(folder);
    std::error_code error;
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(root, options, error), end; !error && it != end; it.increment(error)) {
        struct stat info {};
        if (lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        std::string name = it->path().string().substr(root.size() + (root.back() == '/' ? 0 : 1));
        std::replace(name.begin(), name.end(), '/', '\\');
        files.push_back({std::move(name), static_cast<std::uint64_t>(info.st_size), TimeOf(info)});
    }
    return files;
}

std::optional<std::uint64_t> FreeSpace(const std::string& folder) {
    struct statvfs info {};
    if (statvfs(NativeName(folder).c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::string CurrentFolder() {
    std::error_code error;
    std::string folder = fs::current_path(error).string();
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return "C:" + folder;  // as NativeName reads it back
}

}  // namespace manager::store_disk
