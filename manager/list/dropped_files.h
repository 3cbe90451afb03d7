// Which files of a drop on Grenwick's window are added as mods: batch files only, each once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/files.h"

namespace manager {

// One name of a drop as the window shows it, and what it is on the disk.
struct DroppedName {
    std::string name;
    base::PathKind kind;
};

struct DropChoice {
    std::vector<std::size_t> added;  // indexes into the drop, in its order
    std::string refusal;             // one line per name not added; empty when all were
};

// Keeps the names ending in ".bat" or ".cmd" (any case) that are not folders or devices, the
// first of two names that fold alike only. A missing name stays in: the add says why it
// cannot take it, as for a typed one.
DropChoice ChooseDroppedBatchFiles(const std::vector<DroppedName>& dropped);

}  // namespace manager
