// Sorting a drop into the batch files Grenwick adds and the names it refuses.
#include "manager/list/dropped_files.h"

#include <set>

#include "base/paths.h"

namespace manager {
namespace {

bool EndsWithBatchExtension(const std::string& name) {
    if (name.size() < 4)
        return false;
    // Folded as the platform folds names, which need not be to lower case.
    const std::string extension = base::FoldCase(name.substr(name.size() - 4));
    return extension == base::FoldCase(".bat") || extension == base::FoldCase(".cmd");
}

}  // namespace

DropChoice ChooseDroppedBatchFiles(const std::vector<DroppedName>& dropped) {
    DropChoice choice;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < dropped.size(); ++i) {
        const DroppedName& item = dropped[i];
        const char* why = nullptr;
        if (item.kind == base::PathKind::Folder)
            why = "it is a folder";
        else if (item.kind == base::PathKind::Other || !EndsWithBatchExtension(item.name))
            why = "only batch files (.bat or .cmd) can be added";
        if (why) {
            choice.refusal += (choice.refusal.empty() ? "" : "\n") + ("\"" + item.name + "\" was not added: ") + why + ".";
            continue;
        }
        if (seen.insert(base::FoldCase(item.name)).second)
            choice.added.push_back(i);
    }
    return choice;
}

}  // namespace manager
