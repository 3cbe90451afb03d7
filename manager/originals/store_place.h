// Where the originals of a game folder are kept: outside every game folder, so that no mod
// working in one can reach them.
#pragma once

#include <optional>
#include <string>

#include "base/paths.h"

namespace manager {

// "<name>-<16 hex digits>": the game folder's last part, made safe for a file name, and the
// start of the SHA-256 of its full path as `fold` folds it, so two spellings of one folder
// share a store and two folders of one name do not.
std::string StoreKey(const std::string& gameFolder, base::NameFold fold);

// The key the kit gave the game folder before it read names as UTF-8, made from the folder's
// ANSI bytes; nothing where that is the key of today or the code page cannot hold the name.
std::optional<std::string> PreviousStoreKey(const std::string& gameFolder);

// "<localAppData>\Grenwick\Originals": the folder that holds one store per game folder.
std::string StoreRoot(const std::string& localAppData);

}  // namespace manager
