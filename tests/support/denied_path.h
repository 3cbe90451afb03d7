// A path the system refuses to write with "access denied", as Windows refuses a folder only
// administrators may write to, for the tests of what is said and offered then.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace testing_support {

#ifdef _WIN32
// A folder where the file should be: creating or replacing it is refused as access denied.
inline std::string DeniedPath(const TempDir& dir, const std::string& name) {
    std::filesystem::create_directory(dir.Path() / name);
    return dir.File(name);
}
#else
// A file in the kernel's own folder, which refuses new files with EACCES even to root, who
// passes every permission check of an ordinary folder.
inline std::string DeniedPath(const TempDir& /*dir*/, const std::string& name) { return "/sys/" + name; }
#endif

}  // namespace testing_support
