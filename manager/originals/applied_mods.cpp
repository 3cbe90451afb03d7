// The Applied mods window's rows and questions, and the plan of a take-out, from the records.
#include "manager/originals/applied_mods.h"

#include <map>
#include <set>
#include <unordered_map>

#include "base/byte_size.h"

namespace manager {
namespace {


// The previous version's store has no batch file and no mod of its own.

std::set<std::string> FoldedNames(const ApplyRecord& apply, NameFold fold) {
    std::set<std::string> names;
    for (const ApplyEntry& entry : apply.entries)
        names.insert(fold(entry.before.name));
    return names;
}

bool Changes(const ApplyRecord& apply, const std::set<std::string>& folded, NameFold fold) {
    for (const ApplyEntry& entry : apply.entries)
        if (folded.count(fold(entry.before.name)))
            return true;
    return false;
}

std::string Before(const IndexEntry& before) {
    switch (before.kind) {
    case EntryKind::Kept:
        return "kept, " + base::ExplorerSize(before.size);
    case EntryKind::Absent:
        return "created by the mod";
    default:
        return "no original kept";
    }
}

// As the apply left it, unless the disk says otherwise.
std::string NowOnDisk(const ApplyEntry& entry, const StateProbe& stateNow) {
    if (!entry.after)
        return "not noted after the run";
    return SameState(*entry.after, stateNow(entry.before.name)) ? "as the mod left it" : "changed outside Grenwick";
}

}  // namespace

std::string ShownName(const ApplyRecord& apply) {
    return apply.batchPath.empty() && apply.mod == kKeptBefore ? "Files kept by the previous version" : apply.mod;
}

std::vector<AppliedSummary> ListApplies(const StoreRecords& records) {
    std::vector<AppliedSummary> rows;
    for (std::size_t i = records.applies.size(); i-- > 0;) {
        const ApplyRecord& apply = records.applies[i];
        rows.push_back({i, ShownName(apply), apply.when, apply.entries.size()});
    }
    return rows;
}

// Each file names the newest later apply that changed it; the rest ask the disk, once each.
// Every name is folded once: the window shows this for a store of thousands of files.
std::vector<AppliedFile> DescribeFiles(const StoreRecords& records, std::size_t apply, NameFold fold,
                                       const StateProbe& stateNow) {
    std::vector<AppliedFile> files;
    if (apply >= records.applies.size())
        return files;
    const std::vector<ApplyEntry>& entries = records.applies[apply].entries;
    std::map<std::string, std::vector<std::size_t>> unclaimed;  // folded name -> entries no later apply changed
    for (std::size_t i = 0; i < entries.size(); ++i)
        unclaimed[fold(entries[i].before.name)].push_back(i);
    std::vector<std::optional<std::size_t>> changedBy(entries.size());
    for (std::size_t later = records.applies.size(); later-- > apply + 1 && !unclaimed.empty();)
        for (const ApplyEntry& other : records.applies[later].entries)
            if (const auto found = unclaimed.find(fold(other.before.name)); found != unclaimed.end()) {
                for (const std::size_t i : found->second)
                    changedBy[i] = later;
                unclaimed.erase(found);
            }
    files.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        files.push_back({entries[i].before.name, Before(entries[i].before),
                         changedBy[i] ? "changed by " + ShownName(records.applies[*changedBy[i]])
                                      : NowOnDisk(entries[i], stateNow)});
    return files;
}

TakeOutPlan PlanTakeOut(const StoreRecords& records, std::size_t apply, NameFold fold) {
    TakeOutPlan plan;
    if (apply >= records.applies.size())
        return plan;
    std::set<std::string> touched = FoldedNames(records.applies[apply], fold);
    for (std::size_t later = apply + 1; later < records.applies.size(); ++later) {
        if (!Changes(records.applies[later], touched, fold))
            continue;
        plan.again.push_back(later);
        const std::set<std::string> names = FoldedNames(records.applies[later], fold);
        touched.insert(names.begin(), names.end());
    }
    plan.takeOut.assign(plan.again.rbegin(), plan.again.rend());
    plan.takeOut.push_back(apply);
    return plan;
}

// Each name and each entry is folded once, and the applies are gone through once, oldest
// first, so that the last one changing a name is the one kept for it: asked before an apply and
// by the preview, over a store of many applies.
std::vector<Overwritten> OverwrittenFiles(const StoreRecords& records, const std::vector<std::string>& names,
                                          const std::string& batchPath, NameFold fold) {
    std::unordered_map<std::string, std::size_t> lastApply;  // folded name -> 1 + the apply's index; 0 for none
    std::vector<std::string> folded;
    folded.reserve(names.size());
    for (const std::string& name : names)
        lastApply.emplace(folded.emplace_back(fold(name)), 0);
    for (std::size_t i = 0; i < records.applies.size(); ++i)
        for (const ApplyEntry& entry : records.applies[i].entries)
            if (const auto found = lastApply.find(fold(entry.before.name)); found != lastApply.end())
                found->second = i + 1;
    const std::string ownBatch = batchPath.empty() ? std::string() : fold(batchPath);
    std::vector<Overwritten> files;
    for (std::size_t n = 0; n < names.size(); ++n) {
        const auto found = lastApply.find(folded[n]);
        if (found->second == 0)
            continue;  // changed by no applied mod, or named already
        const ApplyRecord& apply = records.applies[found->second - 1];
        found->second = 0;
        if (batchPath.empty() || fold(apply.batchPath) != ownBatch)
            files.push_back({names[n], ShownName(apply)});
    }
    return files;
}

}  // namespace manager
