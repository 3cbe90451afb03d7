// POSIX side of the disk file helpers: O_NONBLOCK opens, exclusive creation, fsync, rename.
#include "base/disk_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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

UniqueFile CreateFileBeside(const std::string& path, std::string& created, WriteFailure& failure) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = path + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            failure = FailureOf(errno);
            return nullptr;
        }
        UniqueFile file{fdopen(fd, "wb")};
        if (!file) {
            close(fd);
            std::remove(name.c_str());
            break;
        }
        created = name;
        return file;
    }
    failure = WriteFailure::Other;
    return nullptr;
}

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

}  // namespace base
