// The game folder's files as the platform names them: names are written with "\" between
// their parts on every host, in the ANSI code page on Windows.
#pragma once

#include <string>
#include <vector>

#include "base/unique_file.h"

namespace manager {

enum class FileKind { Missing, File, Folder };

FileKind KindOf(const std::string& path);
// The names of the files (not folders) in a folder; empty when it cannot be listed.
std::vector<std::string> FilesIn(const std::string& folder);
// Creates the folder and the missing folders above it; true when it exists afterwards.
bool MakeFolders(const std::string& path);
// Removes an empty folder; false when it is not empty or cannot be removed.
bool RemoveEmptyFolder(const std::string& path);
bool RemoveFile(const std::string& path);
// Copies every byte of `from`, a file on disk (never a device), into `out`, then flushes
// `out` to the disk and closes it; false on any failure, a null `out` included.
bool CopyWholeFile(const std::string& from, base::UniqueFile out);
std::string CurrentFolder();
// A name as this platform's file names compare: two names that fold alike name one file.
std::string FoldCase(const std::string& name);

}  // namespace manager
