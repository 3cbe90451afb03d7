// What each platform's body gives the portable part of the file layer in files.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "base/files.h"

namespace base::native {

using Reason = WriteError::Reason;

// Creates `name` for binary writing only when no file has that name yet; `exists` says
// that one had. Null when it could not, with `reason` saying why.
UniqueFile CreateNewFile(const std::string& name, bool& exists, Reason& reason);

// Makes `name` a second name of the file on disk `existing`, when no file has that name yet
// and the volume allows it; `exists` says that one had. The file gets the permissions that
// the folder of `name` hands down to a new file; where it cannot, there is no new name.
bool LinkNew(const std::string& existing, const std::string& name, bool& exists);

// Creates or empties `name` for binary writing; null with `reason` when it could not.
UniqueFile CreateOrEmpty(const std::string& name, Reason& reason);

// Flushes the file's data to the disk itself, then closes it; false with `reason` when any
// step failed.
bool CloseFlushed(UniqueFile file, Reason& reason);

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
