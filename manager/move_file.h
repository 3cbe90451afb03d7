// Replacing one file by another in one step; the platform's side lives in its own file.
#pragma once

#include <string>

namespace manager {

// Moves `from` over `to`, replacing `to` if it exists. False when it could not.
bool MoveFileOver(const std::string& from, const std::string& to);

}  // namespace manager
