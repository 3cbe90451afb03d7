// Windows side of the disk file helpers: CreateFile with GetFileType, CREATE_NEW,
// FlushFileBuffers and MoveFileEx; handles become C runtime streams once checked.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>

#include "base/disk_file.h"
#include "base/disk_file_native.h"

namespace base {
namespace {

WriteFailure FailureOf(DWORD error) {
    return error == ERROR_ACCESS_DENIED ? WriteFailure::AccessDenied : WriteFailure::Other;
}

// Hands the handle to a C runtime stream; on failure the handle is closed.
UniqueFile StreamOf(HANDLE handle, int flags, const char* mode) {
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), flags);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    UniqueFile file{_fdopen(fd, mode)};
    if (!file)
        _close(fd);
    return file;
}

}  // namespace

// Opening a device does not wait; reading one may wait for ever (a serial port behind AUX
// or COM1), so the type is checked first. A named pipe is opened anonymously, so that the
// program on its other end cannot act with this process's rights.
UniqueFile OpenDiskFile(const std::string& path, PathKind& kind) {
    kind = PathKind::Missing;
    const HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        kind = PathKind::NotDiskFile;
        CloseHandle(handle);
        return nullptr;
    }
    UniqueFile file = StreamOf(handle, _O_RDONLY | _O_BINARY, "rb");
    if (file)
        kind = PathKind::DiskFile;
    return file;
}

// CREATE_NEW fails on an existing name.
UniqueFile CreateNewFile(const std::string& name, bool& exists, WriteFailure& failure) {
    exists = false;
    const HANDLE handle =
        CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        failure = FailureOf(error);
        return nullptr;
    }
    UniqueFile file = StreamOf(handle, _O_WRONLY | _O_BINARY, "wb");
    if (!file) {
        DeleteFileA(name.c_str());
        failure = WriteFailure::Other;
    }
    return file;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

bool CloseFlushed(UniqueFile file) {
    const bool flushed =
        std::fflush(file.get()) == 0 &&
        FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())))) != 0;
    return std::fclose(file.release()) == 0 && flushed;
}

// The C runtime's rename refuses an existing target on Windows; MoveFileEx replaces it.
bool MoveFileOver(const std::string& from, const std::string& to, WriteFailure& failure) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    failure = FailureOf(GetLastError());
    return false;
}

PathKind KindOfPath(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing
                                                                              : PathKind::NotDiskFile;
    }
    return attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE) ? PathKind::NotDiskFile
                                                                           : PathKind::DiskFile;
}

// NTFS writes changes to a folder to its log in the order they are made, so no later rename
// reaches the disk without an earlier creation or deletion; nothing to wait for.
void SyncFolderOf(const std::string& /*path*/) {}

}  // namespace base
