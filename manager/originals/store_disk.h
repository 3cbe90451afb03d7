// Everything the originals store and the apply flow ask of the disk, in one place. Names are
// written with "\" between their parts on every host, in the ANSI code page on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace manager::store_disk {

enum class Kind { Missing, File, Folder, Other };

Kind KindOf(const std::string& path);
// Every byte of a file on disk (never a device); nothing when it cannot be read.
std::optional<std::string> ReadWhole(const std::string& path);
// Writes `bytes` to a new file beside `path`, flushes it to the disk and moves it over `path`
// in one step, so `path` is always one whole version. Missing folders are made.
bool WriteDurably(const std::string& path, const std::string& bytes);

// Told of every chunk a copy writes; false stops the copy.
using CopyProgress = std::function<bool(std::uint64_t bytes)>;

struct HashedCopy {
    bool done = false;       // every byte read and written and flushed
    bool stopped = false;    // the progress hook asked to stop
    std::string temp;        // the new file beside the target; empty when none was made
    std::uint64_t size = 0;  // bytes copied
    std::string sha256;      // of the bytes copied, 64 lowercase hex digits
};
// Copies `from` (a file on disk) into a new file beside `to`, hashing the bytes as they pass
// (one read of each), flushes it and gives it the last-write time of `from`: a file put back
// is the file as it was, time included, so a later look sees it unchanged. The caller moves `temp` over `to` or deletes it; a copy
// not done has no temp left behind.
HashedCopy CopyBeside(const std::string& from, const std::string& to, const CopyProgress& progress);

bool MoveOver(const std::string& from, const std::string& to);
bool Delete(const std::string& path);
// Creates the folder and the missing folders above it; true when it exists afterwards.
bool MakeFolders(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);
// The names of the entries of a folder, folders marked; empty when it cannot be listed.
struct Entry {
    std::string name;
    bool folder;
};
std::vector<Entry> List(const std::string& folder);

// One file below a folder: its name relative to it, size and last-write time (an opaque
// count of the platform's ticks; equal times compare equal).
struct TreeFile {
    std::string name;
    std::uint64_t size;
    std::int64_t time;
};
// One file's size and last-write time, `name` left empty; nothing when it is no file.
std::optional<TreeFile> StatFile(const std::string& path);
// Sets a file's last-write time to one StatFile gave.
bool SetWriteTime(const std::string& path, std::int64_t time);
// Every file below `folder`, in no set order; folders not followed through links.
std::vector<TreeFile> WalkTree(const std::string& folder);
// Bytes free for this user on the disk that holds `folder`; nothing when unknown.
std::optional<std::uint64_t> FreeSpace(const std::string& folder);
// The current folder as a full path with "\" between its parts.
std::string CurrentFolder();
// A name as this platform's file names compare: two names that fold alike name one file.
std::string FoldCase(const std::string& name);

}  // namespace manager::store_disk
