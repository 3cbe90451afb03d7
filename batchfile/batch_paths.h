// Full Windows paths as the batch reader builds them, and the disk as earlier commands left it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "batchfile/batch_effects.h"

namespace batchfile::paths {

std::string Fold(const std::string& text);  // ASCII lower case

// "C:\Game\maps\..\a.map." -> "C:\Game\a.map": "/" read as "\", "." and ".." resolved, trailing
// dots and blanks of each part dropped. Takes "X:\..." or "\\server\share\..." forms.
std::string Normalise(const std::string& full);

std::string Parent(const std::string& full);  // the root is its own parent
std::string Leaf(const std::string& full);    // "" for a root
std::string Child(const std::string& folder, const std::string& name);
bool IsRoot(const std::string& full);

}  // namespace batchfile::paths

namespace batchfile {

// The start disk plus what earlier commands created. Nothing is ever taken away: a file that
// one branch deletes may still be there for the other, so later wildcards still see it.
class VirtualDisk {
public:
    explicit VirtualDisk(const DiskView* base) : m_base(base) {}
    EntryKind KindOf(const std::string& full) const;
    std::vector<DiskView::Entry> List(const std::string& folder) const;
    void AddFile(const std::string& full);
    void AddFolder(const std::string& full);

private:
    void AddEntry(const std::string& full, bool folder);

    const DiskView* m_base;
    std::map<std::string, EntryKind> m_kinds;                                   // folded path
    std::map<std::string, std::map<std::string, DiskView::Entry>> m_children;  // folded folder, folded name
};

}  // namespace batchfile
