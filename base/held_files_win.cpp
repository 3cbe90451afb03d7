// Windows: each name opened for reading with only read sharing, folders through backup
// semantics, so writes, deletes and renames by others fail with a sharing violation.
#include <windows.h>

#include <utility>
#include <vector>

#include "base/held_files.h"
#include "base/unique_handle_win.h"
#include "base/wide_win.h"

namespace base {

struct HeldFiles::Handles {
    std::vector<KernelHandle> held;
};

HeldFiles::HeldFiles(const std::vector<std::string>& paths) : m_handles(std::make_unique<Handles>()) {
    for (const std::string& path : paths) {
        KernelHandle handle(CreateFileW(LongName(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (handle)
            m_handles->held.push_back(std::move(handle));
    }
}

HeldFiles::~HeldFiles() = default;

}  // namespace base
