// An owning std::FILE pointer, and writing a whole file with it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace base {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Creates (or empties) the file and writes the bytes as they are; false on any failure,
// including one that only shows when the file is closed.
inline bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    UniqueFile file{std::fopen(path.c_str(), "wb")};
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace base
