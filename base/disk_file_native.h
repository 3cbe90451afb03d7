// What each platform's disk file helpers give the portable ones in disk_file.cpp.
#pragma once

#include <string>

#include "base/unique_file.h"

namespace base {

// Creates `name` for binary writing only when no file has that name yet; `exists` says
// that one had. Null when it could not, with `failure` saying why.
UniqueFile CreateNewFile(const std::string& name, bool& exists, WriteFailure& failure);

// This process's id, so that temp names of two processes never meet.
unsigned long CurrentProcessId();

}  // namespace base
