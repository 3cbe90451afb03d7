// What each platform's body gives the portable part of the file layer in files.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/file_results.h"
#include "base/unique_file.h"

namespace base::native {

using Reason = WriteError::Reason;

// A file just made for writing, or why it could not be: `taken` when a file had the name.
struct MadeFile {
    UniqueFile file;
    Reason reason = Reason::Other;
    bool taken = false;
};

// Creates `name` for binary writing only when no file has that name yet.
MadeFile CreateNewFile(const std::string& name);

enum class Link { Made, NameTaken, Refused };
// Makes `name` a second name of the file on disk `existing`, when no file has that name yet
// and the volume allows it. The file gets the permissions that the folder of `name` hands
// down to a new file; where it cannot, there is no new name (Refused).
Link LinkNew(const std::string& existing, const std::string& name);

// Creates or empties `name` for binary writing.
MadeFile CreateOrEmpty(const std::string& name);

// Flushes the file's data to the disk itself, then closes it; a failed step fails it, with
// `name` as the file named.
WriteResult CloseFlushed(UniqueFile file, const std::string& name);

// Starts writing to the disk the `size` bytes at `offset` of an unbuffered file being
// written, without waiting, so that its flush at the end has less left to do.
void StartWriting(std::FILE* file, std::uint64_t offset, std::uint64_t size);

// Why the stream call that just failed on a file being written failed.
Reason ReasonOfLastFailure();

// Gives a file the last-write time FileState reported of another; false when it cannot.
bool SetLastWrite(const std::string& name, std::uint64_t lastWrite);

// This process's id, so that temp names of two processes never meet.
unsigned long ProcessId();

}  // namespace base::native
