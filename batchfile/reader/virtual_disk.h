// The disk as the batch reader sees it: the start disk plus what earlier commands made.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/paths.h"
#include "batchfile/reader/reader_context.h"

namespace batchfile {

// The start disk plus what earlier commands created. Nothing is ever taken away: a file that
// one branch deletes may still be there for the other, so later wildcards still see it.
class VirtualDisk {
public:
    VirtualDisk(const DiskView* base, base::NameFold fold) : m_base(base), m_fold(fold) {}
    base::PathKind KindOf(const std::string& full) const;
    std::vector<DiskView::Entry> List(const std::string& folder) const;
    void AddFile(const std::string& full);
    void AddFolder(const std::string& full);
    bool Added(const std::string& full) const;  // made by an earlier command, not on the start disk

private:
    void AddEntry(const std::string& full, bool folder);

    const DiskView* m_base;
    base::NameFold m_fold;  // names compare as the file system compares them
    std::map<std::string, base::PathKind> m_kinds;                                   // folded path
    std::map<std::string, std::map<std::string, DiskView::Entry>> m_children;  // folded folder, folded name
};

}  // namespace batchfile
