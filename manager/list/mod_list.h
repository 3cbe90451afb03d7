// The mod list: (name, batch file path) pairs kept in the order a sorted list box shows.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/text.h"

namespace manager {

struct ModEntry {
    std::string name;
    std::string path;
};

// Three-way comparison of two names: negative, zero or positive.
using NameCompare = std::function<int(const std::string&, const std::string&)>;

class ModList {
public:
    // The portable order ignores ASCII letter case; the Windows build passes the list box's own.
    explicit ModList(NameCompare compare = base::CompareIgnoringCase);

    // Inserts the pair where a sorted list box would insert its name; returns that index.
    std::size_t Insert(ModEntry entry);
    // Replaces the list by `entries` in name order; names that compare equal keep the
    // order they come in, so a list read back from its files keeps the order it was saved in.
    void Assign(std::vector<ModEntry> entries);
    // Removes the first entry with this name and path; false when there is none.
    bool Remove(const ModEntry& entry);
    void Clear() { m_entries.clear(); }

    const std::vector<ModEntry>& Entries() const { return m_entries; }
    std::vector<std::string> Names() const;
    std::vector<std::string> Paths() const;

private:
    NameCompare m_compare;
    std::vector<ModEntry> m_entries;
};

}  // namespace manager
