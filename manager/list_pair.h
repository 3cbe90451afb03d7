// The path and name list files as one list: they change together or not at all.
#pragma once

#include <string>
#include <vector>

#include "base/unique_file.h"

namespace manager {

struct ListFiles {
    std::string paths;
    std::string names;
};

struct ListTexts {
    std::vector<std::string> paths;
    std::vector<std::string> names;
};

// The functions below expect the caller to hold the list lock, except LoadLists.

// Finishes or undoes a save that stopped part way (a failure, a kill, a power cut), so the
// files hold one whole list again. Returns the file it could not put right, empty when none;
// `failure` then says why.
std::string SettleLists(const ListFiles& files, base::WriteFailure& failure);

// Both lists as the last finished save left them, also before SettleLists has run. A list
// file that is there but could not be read goes to `unreadable` when given.
ListTexts LoadLists(const ListFiles& files, std::string* unreadable = nullptr);

// Saves both lists; an empty list deletes both files. Returns the file that could not be
// written, empty on success, and `failure` says why. Unless the name file is named, nothing
// has changed on a failure.
std::string SaveLists(const ListFiles& files, const ListTexts& texts, base::WriteFailure& failure);

}  // namespace manager
