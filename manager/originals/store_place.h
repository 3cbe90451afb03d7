// Where the originals of a game folder are kept: outside every game folder, so that no mod
// working in one can reach them.
#pragma once

#include <string>

#include "manager/originals/store_index.h"

namespace manager {

// "<name>-<16 hex digits>": the game folder's last part, made safe for a file name, and the
// start of the SHA-256 of its full path as `fold` folds it, so two spellings of one folder
// share a store and two folders of one name do not.
std::string StoreKey(const std::string& gameFolder, NameFold fold);

// "<localAppData>\Grenwick\Originals\<key>".
std::string StoreFolder(const std::string& localAppData, const std::string& gameFolder, NameFold fold);

}  // namespace manager
