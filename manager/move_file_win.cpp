// The C runtime's rename refuses an existing target on Windows; MoveFileEx replaces it.
#include <windows.h>

#include "manager/move_file.h"

namespace manager {

bool MoveFileOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace manager
