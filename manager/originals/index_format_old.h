// The reader of the index the previous version kept inside the game folder: kept and absent
// entries, no sizes, no hashes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "manager/originals/index_entries.h"

namespace manager {

struct StoreIndex {
    std::string gameFolder;  // the game folder's full path
    std::vector<IndexEntry> entries;
};

struct DecodedIndex {
    std::optional<StoreIndex> index;  // empty unless `problem` is None
    IndexProblem problem = IndexProblem::None;
    std::size_t line = 0;             // the line at fault, from 1; 0 for the text as a whole
};

// Whether the text starts as the previous version's index does.
bool IsOldIndex(const std::string& text);

// Reads the previous version's index. `gameFolder` is the folder the caller keeps originals for.
DecodedIndex DecodeOldIndex(const std::string& text, const std::string& gameFolder, NameFold fold);

}  // namespace manager
