// The disk file helpers that are the same on every platform.
#include "base/disk_file.h"

#include <atomic>

#include "base/disk_file_native.h"

namespace base {

// A name made of the process id and a counter, created only where no file has it, so two
// processes (or two writes in one) never share a temp file.
UniqueFile CreateFileBeside(const std::string& path, std::string& created, WriteFailure& failure) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            path + "." + std::to_string(CurrentProcessId()) + "-" + std::to_string(counter++) + ".tmp";
        bool exists = false;
        UniqueFile file = CreateNewFile(name, exists, failure);
        if (file) {
            created = name;
            return file;
        }
        if (!exists)
            return nullptr;
    }
    failure = WriteFailure::Other;
    return nullptr;
}

}  // namespace base
