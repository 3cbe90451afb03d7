// An owning std::FILE pointer, and writing a whole file with it.
#pragma once

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

namespace base {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Why a file could not be written. Access denied is told apart: on Windows it means that
// only administrators may write there.
enum class WriteFailure { Other, AccessDenied };

// What the programs add to a message about a file Windows refused for lack of rights.
inline constexpr char kAdminsOnly[] = "Windows lets only administrators write there.";

// Creates (or empties) the file and writes the bytes as they are; false on any failure,
// including one that only shows when the file is closed; `failure` (when given) says why.
inline bool WriteWholeFile(const std::string& path, const std::string& bytes, WriteFailure* failure = nullptr) {
    errno = 0;
    UniqueFile file{std::fopen(path.c_str(), "wb")};
    if (!file && failure)
        *failure = errno == EACCES ? WriteFailure::AccessDenied : WriteFailure::Other;
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    if (std::fclose(file.release()) == 0 && written)
        return true;
    if (failure)
        *failure = WriteFailure::Other;
    return false;
}

}  // namespace base
