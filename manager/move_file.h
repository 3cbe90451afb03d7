// Replacing and flushing files so that a save survives a crash or a power cut; the
// platform's side lives in its own file.
#pragma once

#include <cstdio>
#include <string>

namespace manager {

enum class FileKind { None, Plain, Other };

// What is at `path`: nothing, an ordinary file, or something else (a folder, a device).
FileKind KindOf(const std::string& path);

// Sends the stream's buffered bytes to the file and waits until they are on the disk.
bool FlushToDisk(std::FILE* file);

// Moves `from` over `to`, replacing `to` if it exists, and returns once the move is on the
// disk. False when it could not.
bool MoveFileOver(const std::string& from, const std::string& to);

// Returns once the creation, renaming or deletion of a file in `path`'s folder is on the disk.
void SyncFolderOf(const std::string& path);

}  // namespace manager
