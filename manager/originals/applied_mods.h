// The applies the store remembers as the Applied mods window shows them, which of them taking
// one out touches, and which files a new apply would change over a mod still applied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "manager/originals/index_format.h"

namespace manager {

// One row of the applies list.
struct AppliedSummary {
    std::size_t apply;  // its index in the records, oldest first
    std::string mod;    // the name to show: the previous version's kept files get one of their own
    std::int64_t when;  // UTC seconds since 1970; 0 when unknown
    std::size_t files;
};
// The name an apply is shown under: the previous version's kept files get one of their own.
std::string ShownName(const ApplyRecord& apply);
// Newest first.
std::vector<AppliedSummary> ListApplies(const StoreRecords& records);

// One file of an apply: its name from the game folder (a full path outside it), what it was
// before the apply and what it is now.
struct AppliedFile {
    std::string name;
    std::string before;
    std::string now;
};
// The file's state now, from its name as the index gives it; nothing for a folder or a device.
using StateProbe = std::function<std::optional<AfterState>(const std::string& name)>;
std::vector<AppliedFile> DescribeFiles(const StoreRecords& records, std::size_t apply, NameFold fold,
                                       const StateProbe& stateNow);

// What taking out apply `apply` does: the applies taken out, newest first and the chosen one
// last, and those applied again afterwards, oldest first. A later apply goes with it when it
// changed a file of the chosen one or of another apply that goes, so that no apply left in
// place ever has its files put back under it.
struct TakeOutPlan {
    std::vector<std::size_t> takeOut;
    std::vector<std::size_t> again;
};
TakeOutPlan PlanTakeOut(const StoreRecords& records, std::size_t apply, NameFold fold);


// A file a new apply will change that a mod still applied changed last.
struct Overwritten {
    std::string name;
    std::string mod;
};
// `names` are the new apply's files as the store names them. Applies of the same batch file do
// not count: applying a mod again overwrites only itself.
std::vector<Overwritten> OverwrittenFiles(const StoreRecords& records, const std::vector<std::string>& names,
                                          const std::string& batchPath, NameFold fold);

}  // namespace manager
