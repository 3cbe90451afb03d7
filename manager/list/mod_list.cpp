// Mod list insertion by the list box's own search.
#include "manager/list/mod_list.h"

#include <algorithm>
#include <utility>

namespace manager {

ModList::ModList(NameCompare compare) : m_compare(std::move(compare)) {}

// A sorted list box finds the place of a new string by binary search over the indexes
// 0 to count - 1 and stops at the first entry that compares equal; searching the same way
// puts names that compare equal in the very order the list box shows them.
std::size_t ModList::Insert(ModEntry entry) {
    std::ptrdiff_t low = 0;
    std::ptrdiff_t high = static_cast<std::ptrdiff_t>(m_entries.size()) - 1;
    while (low <= high) {
        const std::ptrdiff_t middle = (low + high) / 2;
        const int order = m_compare(m_entries[static_cast<std::size_t>(middle)].name, entry.name);
        if (order == 0) {
            low = middle;
            break;
        }
        if (order > 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    m_entries.insert(m_entries.begin() + low, std::move(entry));
    return static_cast<std::size_t>(low);
}

// Lists come back from their files in order as a rule: checking that takes one comparison
// per name, a sixth of what sorting 999 takes, and the platform's comparison is not cheap.
void ModList::Assign(std::vector<ModEntry> entries) {
    const auto before = [this](const ModEntry& a, const ModEntry& b) { return m_compare(a.name, b.name) < 0; };
    if (!std::is_sorted(entries.begin(), entries.end(), before))
        std::stable_sort(entries.begin(), entries.end(), before);
    m_entries = std::move(entries);
}

bool ModList::Remove(const ModEntry& entry) {
    const auto at = std::find_if(m_entries.begin(), m_entries.end(), [&](const ModEntry& listed) {
        return listed.name == entry.name && listed.path == entry.path;
    });
    if (at == m_entries.end())
        return false;
    m_entries.erase(at);
    return true;
}

std::vector<std::string> ModList::Names() const {
    std::vector<std::string> names;
    names.reserve(m_entries.size());
    for (const ModEntry& entry : m_entries)
        names.push_back(entry.name);
    return names;
}

std::vector<std::string> ModList::Paths() const {
    std::vector<std::string> paths;
    paths.reserve(m_entries.size());
    for (const ModEntry& entry : m_entries)
        paths.push_back(entry.path);
    return paths;
}

}  // namespace manager
