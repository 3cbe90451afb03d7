// Files on disk as opposed to devices and pipes, and writing a file through a temp file
// beside it; the platform's side lives in disk_file_posix.cpp and disk_file_win.cpp.
#pragma once

#include <string>

#include "base/unique_file.h"

namespace base {

// What a name turned out to be when it was opened.
enum class PathKind { Missing, DiskFile, NotDiskFile };

// Opens `path` for binary reading when it names a file on disk; null otherwise, with `kind`
// saying why. Never waits: a device (NUL, AUX, COM1) or a pipe is recognised and closed
// before anything is read from it.
UniqueFile OpenDiskFile(const std::string& path, PathKind& kind);

// Creates a new, empty file for binary writing in the folder of `path`, under a name no other
// file has; `created` receives that name. Null when it could not.
UniqueFile CreateFileBeside(const std::string& path, std::string& created, WriteFailure& failure);

// Flushes the file's data to the disk itself, then closes it; false when any step failed.
bool CloseFlushed(UniqueFile file);

// Moves `from` over `to` in one step, replacing `to` if it exists; false when it could not.
bool MoveFileOver(const std::string& from, const std::string& to, WriteFailure& failure);

}  // namespace base
