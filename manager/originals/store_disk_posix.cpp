// The store's disk needs on POSIX hosts, where the native tests run: "\" becomes "/".
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
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

namespace {

// Depth first through directory descriptors, so each entry costs one fstatat on its bare name;
// links are not followed, so a link to a folder above cannot make the walk endless.
void Walk(int parent, const std::string& relative, std::vector<TreeFile>& files) {
    const int fd = openat(parent, relative.empty() ? "." : relative.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const std::string below = relative.empty() ? name : relative + "/" + name;
        if (S_ISDIR(info.st_mode))
            Walk(parent, below, files);
        else if (S_ISREG(info.st_mode))
            files.push_back({below, static_cast<std::uint64_t>(info.st_size), TimeOf(info)});
    }
    closedir(dir);
}

}  // namespace

std::vector<TreeFile> WalkTree(const std::string& folder) {
    std::vector<TreeFile> files;
    const int top = open(NativeName(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0)
        return files;
    Walk(top, std::string(), files);
    close(top);
    for (TreeFile& file : files)
        std::replace(file.name.begin(), file.name.end(), '/', '\\');
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
