// The overlay of files and folders earlier commands made, over the start disk.
#include "batchfile/reader/virtual_disk.h"

#include "base/paths.h"
#include "base/text.h"

namespace batchfile {

base::PathKind VirtualDisk::KindOf(const std::string& full) const {
    const auto known = m_kinds.find(m_fold(full));
    if (known != m_kinds.end())
        return known->second;
    const base::PathKind kind = m_base ? m_base->KindOf(full) : base::PathKind::Missing;
    return kind == base::PathKind::Other ? base::PathKind::File : kind;  // a device is written as a file is
}

std::vector<DiskView::Entry> VirtualDisk::List(const std::string& folder) const {
    std::vector<DiskView::Entry> entries;
    if (m_base)
        entries = m_base->List(folder);
    const auto added = m_children.find(m_fold(folder));
    if (added == m_children.end())
        return entries;
    std::map<std::string, bool> seen;
    for (const DiskView::Entry& entry : entries)
        seen[m_fold(entry.name)] = true;
    for (const auto& [folded, entry] : added->second)
        if (!seen.count(folded))
            entries.push_back(entry);
    return entries;
}

bool VirtualDisk::Added(const std::string& full) const { return m_kinds.count(m_fold(full)) > 0; }

void VirtualDisk::AddFile(const std::string& full) { AddEntry(full, false); }

void VirtualDisk::AddFolder(const std::string& full) { AddEntry(full, true); }

// Adds the entry and every folder above it that the view does not have yet; iterative so a
// very deep name cannot exhaust the stack.
void VirtualDisk::AddEntry(const std::string& full, bool folder) {
    // Nothing can be made below a file: the command that tries fails, and the file stays one.
    for (std::string above = base::ParentFolder(full); !base::IsFullRoot(above); above = base::ParentFolder(above)) {
        if (KindOf(above) == base::PathKind::File)
            return;
        if (base::ParentFolder(above) == above)
            break;
    }
    std::string path = full;
    bool isFolder = folder;
    while (!base::IsFullRoot(path) && !path.empty()) {
        const base::PathKind wanted = isFolder ? base::PathKind::Folder : base::PathKind::File;
        const std::string folded = m_fold(path);
        const auto known = m_kinds.find(folded);
        if (known != m_kinds.end() && known->second == wanted)
            return;
        if (known == m_kinds.end() && isFolder && m_base && m_base->KindOf(path) == base::PathKind::Folder)
            return;
        m_kinds[folded] = wanted;
        const std::string parent = base::ParentFolder(path);
        if (parent == path)
            return;
        m_children[m_fold(parent)][m_fold(base::FullLeaf(path))] = {base::FullLeaf(path), isFolder};
        path = parent;
        isFolder = true;
    }
}

}  // namespace batchfile
