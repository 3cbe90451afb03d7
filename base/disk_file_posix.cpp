// POSIX side of the disk file helpers: O_NONBLOCK opens, exclusive creation, fsync, rename.
#include "base/disk_file.h"
#include "base/disk_file_native.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace base {
namespace {

WriteFailure FailureOf(int error) {
    return error == EACCES || error == EPERM ? WriteFailure::AccessDenied : WriteFailure::Other;
}

}  // namespace

// O_NONBLOCK keeps open() from waiting for a writer on a named pipe or for a terminal line;
// on a regular file it changes nothing.
UniqueFile OpenDiskFile(const std::string& path, PathKind& kind) {
    kind = PathKind::Missing;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        kind = PathKind::NotDiskFile;
        close(fd);
        return nullptr;
    }
    UniqueFile file{fdopen(fd, "rb")};
    if (!file) {
        close(fd);
        return nullptr;
    }
    kind = PathKind::DiskFile;
    return file;
}

UniqueFile CreateNewFile(const std::string& name, bool& exists, WriteFailure& failure) {
    exists = false;
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        exists = errno == EEXIST;
        failure = FailureOf(errno);
        return nullptr;
    }
    UniqueFile file{fdopen(fd, "wb")};
    if (!file) {
        close(fd);
        std::remove(name.c_str());
        failure = WriteFailure::Other;
    }
    return file;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool CloseFlushed(UniqueFile file) {
    const bool flushed = std::fflush(file.get()) == 0 && fsync(fileno(file.get())) == 0;
    return std::fclose(file.release()) == 0 && flushed;
}

bool MoveFileOver(const std::string& from, const std::string& to, WriteFailure& failure) {
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    failure = FailureOf(errno);
    return false;
}

PathKind KindOfPath(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::NotDiskFile;
    return S_ISREG(info.st_mode) ? PathKind::DiskFile : PathKind::NotDiskFile;
}

// A name in a folder is durable only once the folder itself is flushed.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

}  // namespace base
