// Windows: each name opened for reading with only read sharing, folders through backup
// semantics, so writes, deletes and renames by others fail with a sharing violation.
#include <windows.h>

#include "base/held_files.h"
#include "base/wide_win.h"

namespace base {

HeldFiles::HeldFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const HANDLE handle = CreateFileW(LongName(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            m_handles.push_back(reinterpret_cast<std::intptr_t>(handle));
    }
}

HeldFiles::~HeldFiles() {
    for (const std::intptr_t handle : m_handles)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace base
