// The file layer on POSIX hosts, where the native tests run: O_NONBLOCK opens, exclusive
// creation, fsync, rename. Names keep "\" between their parts as on Windows; it becomes "/".
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <utility>

#include "base/files.h"
#include "base/files_native.h"
#include "base/paths.h"
#include "base/unique_handle_posix.h"

namespace base {
namespace {

using native::Reason;

// The host's root stands for drive C:, so that full names have one form on every host:
// "C:\tmp\game" is "/tmp/game".
std::string Native(std::string name) {
    if (name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') && name[1] == ':' && IsSeparator(name[2]))
        name.erase(0, 2);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::uint64_t LastWriteOf(const struct stat& info) {
    return static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u + static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
}

Reason ReasonOf(int error) {
    if (error == EACCES || error == EPERM || error == EROFS)
        return Reason::AccessDenied;
    if (error == ETXTBSY || error == EBUSY)
        return Reason::InUse;
    // EFBIG: the file would pass the size its volume or this process may give it, no room either.
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? Reason::DiskFull : Reason::Other;
}

PathKind KindOfMode(mode_t mode) {
    return S_ISREG(mode) ? PathKind::File : S_ISDIR(mode) ? PathKind::Folder : PathKind::Other;
}

// Hands the descriptor to a stream, which owns it from then on; on failure it is closed.
UniqueFile StreamOf(Descriptor fd, const char* mode) {
    UniqueFile file{fdopen(fd.Get(), mode)};
    if (file)
        fd.Release();  // the stream's now
    return file;
}

class OpenFolder {
public:
    explicit OpenFolder(const std::string& path) : m_dir(opendir(path.c_str())) {}
    ~OpenFolder() {
        if (m_dir)
            closedir(m_dir);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    // Calls `each` with the name and status of every entry but "." and ".."; a link is
    // followed, or with `ownStatus` told as the link it is.
    void ForEach(const std::function<void(const std::string&, const struct stat&)>& each, bool ownStatus = false) {
        if (!m_dir)
            return;
        const int flags = ownStatus ? AT_SYMLINK_NOFOLLOW : 0;
        while (const dirent* entry = readdir(m_dir)) {
            const std::string name = entry->d_name;
            struct stat info {};
            if (name != "." && name != ".." && fstatat(dirfd(m_dir), entry->d_name, &info, flags) == 0)
                each(name, info);
        }
    }

private:
    DIR* m_dir;
};

// A link (to a folder or a file) is not followed, as a reparse point is not on Windows.
void Walk(const std::string& folder, const std::string& prefix, std::vector<TreeFile>& files) {
    OpenFolder(folder).ForEach(
        [&](const std::string& name, const struct stat& info) {
            if (S_ISDIR(info.st_mode))
                Walk(folder + "/" + name, prefix + name + "\\", files);
            else if (S_ISREG(info.st_mode))
                files.push_back({prefix + name, static_cast<std::uint64_t>(info.st_size), LastWriteOf(info)});
        },
        true);
}

}  // namespace

namespace native {

MadeFile CreateNewFile(const std::string& name) {
    MadeFile made;
    Descriptor fd(open(Native(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd) {
        made.taken = errno == EEXIST;
        made.reason = ReasonOf(errno);
        return made;
    }
    made.file = StreamOf(std::move(fd), "wb");
    if (!made.file)
        unlink(Native(name).c_str());
    return made;
}

// A file's permissions are its own here, whatever folder names it.
Link LinkNew(const std::string& existing, const std::string& name) {
    if (link(Native(existing).c_str(), Native(name).c_str()) == 0)
        return Link::Made;
    return errno == EEXIST ? Link::NameTaken : Link::Refused;
}

MadeFile CreateOrEmpty(const std::string& name) {
    MadeFile made;
    Descriptor fd(open(Native(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd)
        made.reason = ReasonOf(errno);
    else
        made.file = StreamOf(std::move(fd), "wb");
    return made;
}

WriteResult CloseFlushed(UniqueFile file, const std::string& name) {
    errno = 0;
    const bool flushed = std::fflush(file.get()) == 0 && fsync(fileno(file.get())) == 0;
    const Reason reason = ReasonOf(errno);
    const bool closed = std::fclose(file.release()) == 0;
    if (flushed && closed)
        return {};
    return WriteError{name, flushed ? ReasonOf(errno) : reason};
}

void StartWriting(std::FILE* file, std::uint64_t offset, std::uint64_t size) {
#if defined(__linux__)
    (void)sync_file_range(fileno(file), static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
#else
    (void)file, (void)offset, (void)size;
#endif
}

Reason ReasonOfLastFailure() { return ReasonOf(errno); }

bool SetLastWrite(const std::string& name, std::uint64_t lastWrite) {
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {static_cast<time_t>(lastWrite / 1000000000u), static_cast<long>(lastWrite % 1000000000u)}};
    return utimensat(AT_FDCWD, Native(name).c_str(), times, 0) == 0;
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

}  // namespace native

// O_NONBLOCK keeps open() from waiting for a writer on a named pipe or for a terminal line;
// on a regular file it changes nothing.
UniqueFile OpenDiskFile(const std::string& path, PathKind& kind, OpenFor mode) {
    kind = PathKind::Missing;
    const int flags = (mode == OpenFor::Update ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    Descriptor fd(open(Native(path).c_str(), flags));
    if (!fd) {
        kind = KindOf(path);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        kind = S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other;
        return nullptr;
    }
    UniqueFile file = StreamOf(std::move(fd), mode == OpenFor::Update ? "r+b" : "rb");
    if (file)
        kind = PathKind::File;
    return file;
}

PathKind KindOf(const std::string& path) {
    struct stat info {};
    if (stat(Native(path).c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Other;
    return KindOfMode(info.st_mode);
}

WriteResult MoveOver(const std::string& from, const std::string& to) {
    if (std::rename(Native(from).c_str(), Native(to).c_str()) == 0)
        return {};
    return WriteError{to, ReasonOf(errno)};
}

WriteResult RemoveFile(const std::string& path) {
    if (unlink(Native(path).c_str()) == 0 || errno == ENOENT || errno == ENOTDIR)
        return {};
    return WriteError{path, ReasonOf(errno)};
}

WriteResult MakeFolders(const std::string& path) {
    const std::string native = Native(path);
    for (std::size_t at = native.find('/', 1); ; at = native.find('/', at + 1)) {
        const std::string folder = native.substr(0, at);
        if (!folder.empty() && mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
            return WriteError{path, ReasonOf(errno)};
        if (at == std::string::npos)
            break;
    }
    if (KindOf(path) == PathKind::Folder)
        return {};
    return WriteError{path, Reason::Other};
}

bool RemoveEmptyFolder(const std::string& path) { return rmdir(Native(path).c_str()) == 0; }

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    OpenFolder(Native(folder)).ForEach([&](const std::string& name, const struct stat& info) {
        entries.push_back({name, KindOfMode(info.st_mode)});
    });
    return entries;
}

std::vector<TreeFile> WalkFolder(const std::string& folder) {
    std::vector<TreeFile> files;
    Walk(Native(folder), "", files);
    return files;
}

std::optional<TreeFile> FileState(const std::string& path, PathKind* kind) {
    struct stat info {};
    const bool found = stat(Native(path).c_str(), &info) == 0;
    if (kind && found)
        *kind = KindOfMode(info.st_mode);
    else if (kind)
        *kind = errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Other;
    if (!found || !S_ISREG(info.st_mode))
        return std::nullopt;
    return TreeFile{{}, static_cast<std::uint64_t>(info.st_size), LastWriteOf(info)};
}

std::optional<std::uint64_t> FreeSpace(const std::string& folder) {
    struct statvfs info {};
    if (statvfs(Native(folder).c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::string CurrentFolder() {
    std::string folder(256, '\0');
    while (!getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE)
            return {};
        folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return "C:" + folder;
}

// pread and pwrite take the offset themselves; a signal or a short transfer goes on where it
// stopped.
bool ReadAt(std::FILE* file, std::uint64_t offset, std::string& into) {
    for (std::size_t done = 0; done < into.size();) {
        const ssize_t got = pread(fileno(file), into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (got <= 0 && !(got < 0 && errno == EINTR))
            return false;
        done += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    return true;
}

bool WriteAt(std::FILE* file, std::uint64_t offset, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t put =
            pwrite(fileno(file), bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (put <= 0 && !(put < 0 && errno == EINTR))
            return false;
        done += put > 0 ? static_cast<std::size_t>(put) : 0;
    }
    return true;
}

std::optional<std::uint64_t> SizeOf(std::FILE* file) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

// A name in a folder is durable only once the folder itself is flushed.
void SyncFolderOf(const std::string& path) {
    const std::string native = Native(path);
    const std::size_t slash = native.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    const Descriptor fd(open(folder.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd)
        fsync(fd.Get());
}

bool MakeWritable(const std::string& path) {
    struct stat info {};
    if (stat(Native(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    return (info.st_mode & S_IWUSR) != 0 || chmod(Native(path).c_str(), info.st_mode | S_IWUSR) == 0;
}

std::optional<FileAttributes> AttributesOf(const std::string& path) {
    struct stat info {};
    if (stat(Native(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    FileAttributes attributes;
    attributes.readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return attributes;
}

bool SetAttributes(const std::string& path, const FileAttributes& attributes) {
    struct stat info {};
    const std::string native = Native(path);
    if (stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
    if (attributes.readOnly == ((info.st_mode & writable) == 0))
        return true;
    const mode_t mode = attributes.readOnly ? (info.st_mode & ~writable) : (info.st_mode | S_IWUSR);
    return chmod(native.c_str(), mode & 07777) == 0;
}

}  // namespace base
