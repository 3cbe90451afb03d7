// The parts of the game folder's file access that the C runtime covers on every host.
#include "manager/game_files.h"

#include <cstdio>
#include <utility>

#include "base/disk_file.h"
#include "manager/game_files_native.h"

namespace manager {

bool RemoveFile(const std::string& path) { return std::remove(NativeName(path).c_str()) == 0; }

bool CopyWholeFile(const std::string& from, base::UniqueFile out) {
    base::PathKind kind;
    const base::UniqueFile in = base::OpenDiskFile(NativeName(from), kind);
    if (!in || !out)
        return false;
    std::string buffer(64 * 1024, '\0');
    bool copied = true;
    for (std::size_t got; copied && (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        copied = std::fwrite(buffer.data(), 1, got, out.get()) == got;
    copied = copied && !std::ferror(in.get());
    return base::CloseFlushed(std::move(out)) && copied;
}

}  // namespace manager
