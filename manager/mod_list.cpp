// Mod list insertion by the list box's own search.
#include "manager/mod_list.h"

#include <cctype>
#include <utility>

namespace manager {

int CompareIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

ModList::ModList(NameCompare compare) : m_compare(std::move(compare)) {}

// A sorted list box finds the place of a new string by binary search and stops at the
// first entry that compares equal; doing the same keeps names that compare equal in the
// very order the list box shows them.
std::size_t ModList::Insert(ModEntry entry) {
    std::size_t low = 0;
    std::size_t high = m_entries.size();
    while (low != high) {
        const std::size_t middle = (low + high) / 2;
        const int order = m_compare(m_entries[middle].name, entry.name);
        if (order == 0) {
            low = middle;
            break;
        }
        if (order > 0)
            high = middle;
        else
            low = middle + 1;
    }
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(low), std::move(entry));
    return low;
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
