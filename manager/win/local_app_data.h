// The user's local application data folder, where the originals store lives.
#pragma once

#include <optional>
#include <string>

namespace manager {

// The folder's full path in UTF-8, whatever characters it holds; nullopt when the system
// names none or no full path.
std::optional<std::string> LocalAppDataFolder();

}  // namespace manager
