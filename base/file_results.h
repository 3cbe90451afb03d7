// What the file layer answers: what a name is on the disk, and how a write ended. Both the
// portable part of the layer and each platform's body speak in these.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace base {

// The attributes of a file that are kept with its copy and put back with it. POSIX hosts know
// only read-only (a file no one may write); the others stay unset there.
struct FileAttributes {
    bool readOnly = false;
    bool hidden = false;
    bool system = false;
    bool archive = false;
    bool operator==(const FileAttributes& other) const {
        return readOnly == other.readOnly && hidden == other.hidden && system == other.system &&
               archive == other.archive;
    }
};

// What a name is on the disk now. Other: a device (NUL, AUX, COM1), a pipe, a socket.
enum class PathKind { Missing, File, Folder, Other };

// A write that failed: the file it failed on and why. Access denied is told apart (on
// Windows only administrators may write there), and so are a full disk and a file another
// program holds open.
struct WriteError {
    enum class Reason { Other, AccessDenied, DiskFull, InUse };
    std::string file;
    Reason reason = Reason::Other;
};
// Every write answers with this: true when it succeeded, else the error.
class WriteResult {
public:
    WriteResult() = default;
    WriteResult(WriteError error) : m_error(std::move(error)) {}  // not explicit: a failure converts
    explicit operator bool() const { return !m_error; }
    // Only for a failed write.
    const WriteError& Error() const { return *m_error; }
    WriteError& Error() { return *m_error; }

private:
    std::optional<WriteError> m_error;
};

}  // namespace base
