// What the programs tell the user about a write that failed. The manager and both writers'
// windows word it here, so a reason reads the same wherever a file could not be written.
#pragma once

#include <string>

#include "base/file_results.h"

namespace base {

// Added where Windows refused a file for lack of rights.
inline constexpr char kAdminsOnly[] = "Windows lets only administrators write there.";
// Added where the disk had no room left.
inline constexpr char kDiskFull[] = "The disk is full.";

// The sentence that tells why, with a blank before it, or nothing when the reason gives the
// user nothing to act on. `rightsMatter` is false where more rights would not help (the
// process is an administrator already).
std::string WhyNotWritten(const WriteError& error, bool rightsMatter);

// "The file "x" could not be written." and why.
std::string NotWrittenMessage(const WriteError& error, bool rightsMatter);

}  // namespace base
