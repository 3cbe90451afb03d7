// Where the originals of a game folder are kept: outside every game folder, so that no mod
// working in one can reach them.
#pragma once

#include <string>

#include "base/paths.h"

namespace manager {

// "<name>-<16 hex digits>": the game folder's last part, made safe for a file name, and the
// start of the SHA-256 of its full path as `fold` folds it, so two spellings of one folder
// share a store and two folders of one name do not.
std::string StoreKey(const std::string& gameFolder, base::NameFold fold);

// "<localAppData>\Grenwick\Originals": the folder that holds one store per game folder.
std::string StoreRoot(const std::string& localAppData);

}  // namespace manager
