// Windows: MoveFileEx replaces an existing target, where the C runtime's rename refuses.
#include <windows.h>

#include <io.h>

#include "manager/move_file.h"

namespace manager {

FileKind KindOf(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileKind::None : FileKind::Other;
    }
    return attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE) ? FileKind::Other : FileKind::Plain;
}

// _commit is FlushFileBuffers on the stream's handle.
bool FlushToDisk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool MoveFileOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// NTFS logs changes to a folder in the order they are made, so no later rename reaches the
// disk without an earlier creation or deletion in the same folder; nothing to wait for.
void SyncFolderOf(const std::string& /*path*/) {}

}  // namespace manager
