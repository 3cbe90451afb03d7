// POSIX rename replaces an existing target atomically.
#include "manager/move_file.h"

#include <cstdio>

namespace manager {

bool MoveFileOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace manager
