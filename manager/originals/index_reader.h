// Reads a store's index in whichever version it was written: the store's own format, or the
// one the previous version kept inside the game folder.
#pragma once

#include <string>

#include "manager/originals/index_format.h"

namespace manager {

// The previous version's index, which carried no version line.
inline constexpr unsigned kOldIndexVersion = 1;

// The records of an index of any known version, `version` saying which. The previous
// version's entries become one apply named kKeptBefore, read where its copies lie.
DecodedRecords ReadIndex(const std::string& text, const std::string& gameFolder, NameFold fold);

}  // namespace manager
