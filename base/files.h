// The one door to the file system: every file access of the kit goes through here. Names are
// UTF-8 (bytes that are no UTF-8 are read in the ANSI code page on Windows, as the list files
// and batch files hold them). One portable header; files.cpp holds what is the same
// everywhere, files_win.cpp the Windows body (the wide functions, with the long form of full
// paths) and files_posix.cpp the body for the hosts the native tests run on, where "\" in a
// name becomes "/".
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_results.h"
#include "base/progress.h"
#include "base/unique_file.h"

namespace base {

enum class OpenFor { Reading, Update };

// Opens `path` in binary mode when it names a file on disk; null otherwise, with `kind`
// saying what was there. Never waits: a device or a pipe is recognised and closed before
// anything is read from it or written to it.
UniqueFile OpenDiskFile(const std::string& path, PathKind& kind, OpenFor mode = OpenFor::Reading);

PathKind KindOf(const std::string& path);

// Reading and writing at an offset of a file OpenDiskFile opened, each in one call to the
// system that neither needs nor moves a position, so a file patched in many places costs one
// call per place. The stream's own buffer is passed by: use no stream calls on it meanwhile.
// ReadAt fills `into` (of the size wanted) and is false when the file ends before.
bool ReadAt(std::FILE* file, std::uint64_t offset, std::string& into);
bool WriteAt(std::FILE* file, std::uint64_t offset, std::string_view bytes);
// The file's size now; nothing when it cannot be told.
std::optional<std::uint64_t> SizeOf(std::FILE* file);

inline constexpr std::size_t kWholeFile = std::numeric_limits<std::size_t>::max();

// The bytes of a file on disk, at most `limit` of them. Nothing when it is no file on disk
// or reading failed; `kind` (when given) then tells a missing name from a failed read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit = kWholeFile,
                                         PathKind* kind = nullptr);

// Creates or empties the file, writes the bytes and waits until they are on the disk.
WriteResult WriteFileInPlace(const std::string& path, const std::string& bytes);

// Writes the bytes to a new temp file beside `path`, flushed to the disk, and moves it over
// `path` in one step: the file is always either the old or the new one, and a failure
// leaves the old one and no temp file.
WriteResult WriteFileDurably(const std::string& path, const std::string& bytes);

// A copy made beside its target that has not taken its place yet.
struct CopyBeside {
    std::string temp;        // the new file beside the target
    std::uint64_t size = 0;  // bytes copied
    std::string sha256;      // of those bytes, 64 lowercase hex digits
};
// Copies the file on disk `from` into a new temp file beside `to` (making `to`'s missing
// folders), hashing the bytes as they pass so that each is read once, flushed to the disk
// and given `from`'s last-write time: a file put back from a copy looks unchanged since it
// was copied. The caller checks the copy, then moves `temp` over `to` or removes it. A
// failed or cancelled copy leaves no temp file; a failed read names `from`, a cancelled copy `to`.
WriteResult CopyBesideHashed(const std::string& from, const std::string& to, CopyBeside& made,
                             CopyProgress* progress = nullptr);

// As CopyBesideHashed, for a `from` that is removed once `temp` has taken its place: where
// the volume allows, `temp` is made a second name of `from`, with the permissions its folder
// hands down, and `from` is only read for its hash, so nothing is copied. `temp` then shares
// `from`'s data and last-write time; elsewhere it is a copy.
WriteResult TakeBesideHashed(const std::string& from, const std::string& to, CopyBeside& made,
                             CopyProgress* progress = nullptr);

// The SHA-256 of the file on disk `path`, 64 lowercase hex digits, read piece by piece;
// nothing when it is no file on disk or a read fails.
std::optional<std::string> HashOfFile(const std::string& path);

// Moves `from` over `to` in one step, replacing `to` if it exists.
WriteResult MoveOver(const std::string& from, const std::string& to);

// Deletes a file; a name that is already missing counts as done.
WriteResult RemoveFile(const std::string& path);

// Creates the folder and the missing folders above it.
WriteResult MakeFolders(const std::string& path);

// Removes an empty folder; false when it is not empty, not a folder or cannot be removed.
bool RemoveEmptyFolder(const std::string& path);

struct FolderEntry {
    std::string name;
    PathKind kind;
};
// What a folder holds, without "." and ".."; empty when it cannot be listed.
std::vector<FolderEntry> ListFolder(const std::string& folder);

struct TreeFile {
    std::string name;          // relative to the walked folder, "\" between its parts
    std::uint64_t size;
    std::uint64_t lastWrite;   // in the platform's own ticks: for comparing, not for showing
};
// Every file below `folder`, in every folder under it, in one pass that reads size and time
// from the listing itself. Links to folders are not followed, so a link to a folder above
// cannot make the walk endless.
std::vector<TreeFile> WalkFolder(const std::string& folder);

// The size and last-write time of one file on disk, `name` left empty; nothing when `path`
// is no file. `kind`, when given, gets what `path` names, from the same one question.
std::optional<TreeFile> FileState(const std::string& path, PathKind* kind = nullptr);

// The bytes free for this user on the disk of `folder`; nothing when it cannot be told.
std::optional<std::uint64_t> FreeSpace(const std::string& folder);

// The current folder as a full name. On POSIX hosts, where the native tests run, the root
// stands for drive C: ("C:\tmp\game" for "/tmp/game", and every name starting "C:\" is
// read so), so that full names have the one form the batch reader follows on every host.
std::string CurrentFolder();

// Makes the creation, renaming or deletion of a file in `path`'s folder durable. On POSIX
// hosts it flushes the folder itself. On Windows it does nothing: NTFS logs changes to a
// folder in the order they are made, so a later rename never reaches the disk before an
// earlier creation or deletion; on FAT and other file systems there is no such order, and
// nothing here can give one.
void SyncFolderOf(const std::string& path);

// Clears the read-only mark of the file `path` (on POSIX hosts: gives its owner write
// permission), so that it can be replaced or deleted; false when it is no file or the mark
// stays.
bool MakeWritable(const std::string& path);

// The attributes of the file `path` that are kept with its copy; nothing when it is no file.
std::optional<FileAttributes> AttributesOf(const std::string& path);
// Gives the file `path` these attributes, its others as they are (on POSIX hosts read-only
// takes the write permissions away, and its absence gives the owner write permission back);
// false when it is no file or they could not be set.
bool SetAttributes(const std::string& path, const FileAttributes& attributes);

}  // namespace base
