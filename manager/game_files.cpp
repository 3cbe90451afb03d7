// The parts of the game folder's file access that the C runtime covers on every host.
#include "manager/game_files.h"

#include <cstdio>

#include "base/unique_file.h"
#include "manager/game_files_native.h"

namespace manager {

bool RemoveFile(const std::string& path) { return std::remove(NativeName(path).c_str()) == 0; }

bool CopyWholeFile(const std::string& from, const std::string& to) {
    base::UniqueFile in{std::fopen(NativeName(from).c_str(), "rb")};
    if (!in)
        return false;
    base::UniqueFile out{std::fopen(NativeName(to).c_str(), "wb")};
    if (!out)
        return false;
    std::string buffer(64 * 1024, '\0');
    bool copied = true;
    for (std::size_t got; copied && (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        copied = std::fwrite(buffer.data(), 1, got, out.get()) == got;
    copied = !std::ferror(in.get()) && std::fclose(out.release()) == 0 && copied;
    if (!copied)
        RemoveFile(to);
    return copied;
}

}  // namespace manager
