// The path and name list files as one list: they change together or not at all.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/files.h"

namespace manager {

struct ListFiles {
    std::string paths;
    std::string names;
};

struct ListTexts {
    std::vector<std::string> paths;
    std::vector<std::string> names;
};

// The functions below expect the caller to hold the state lock, except LoadLists.

// Finishes or undoes a save that stopped part way (a failure, a kill, a power cut), so the
// files hold one whole list again. A failure names the file it could not put right.
base::WriteResult SettleLists(const ListFiles& files);

// Both lists as the last finished save left them, also before SettleLists has run. A list
// file that is there but could not be read is named in `unreadable` when given: a save now
// would lose what it holds, so nothing may be written.
ListTexts LoadLists(const ListFiles& files, std::optional<std::string>* unreadable = nullptr);

// Saves both lists; an empty list deletes both files. A failure names the file that could
// not be written; unless that is the name file, nothing has changed.
base::WriteResult SaveLists(const ListFiles& files, const ListTexts& texts);

}  // namespace manager
