// Path arithmetic for the batch reader and the overlay of files earlier commands made.
#include "batchfile/batch_paths.h"

#include <cctype>

namespace batchfile::paths {
namespace {

// "C:" of "C:\a", "\\srv\share" of "\\srv\share\a"; the rest starts after it.
std::size_t PrefixLength(const std::string& full) {
    if (full.size() >= 2 && (full[0] == '\\' || full[0] == '/') && (full[1] == '\\' || full[1] == '/')) {
        std::size_t end = full.find_first_of("\\/", 2);
        if (end != std::string::npos)
            end = full.find_first_of("\\/", end + 1);
        return end == std::string::npos ? full.size() : end;
    }
    if (full.size() >= 2 && std::isalpha(static_cast<unsigned char>(full[0])) && full[1] == ':')
        return 2;
    return 0;
}

}  // namespace

std::string Fold(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Normalise(const std::string& full) {
    const std::size_t prefixLength = PrefixLength(full);
    std::string prefix = full.substr(0, prefixLength);
    for (char& c : prefix)
        if (c == '/')
            c = '\\';
    std::vector<std::string> parts;
    std::string part;
    auto finish = [&] {
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (part != ".") {
            // Windows drops trailing dots and blanks of every name part.
            const std::size_t end = part.find_last_not_of(". ");
            if (end != std::string::npos)
                parts.push_back(part.substr(0, end + 1));
        }
        part.clear();
    };
    for (std::size_t i = prefixLength; i < full.size(); ++i) {
        if (full[i] == '\\' || full[i] == '/')
            finish();
        else
            part.push_back(full[i]);
    }
    finish();
    std::string out = prefix + "\\";
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? "\\" : "") + parts[i];
    return out;
}

bool IsRoot(const std::string& full) { return full.size() == PrefixLength(full) + 1 && full.back() == '\\'; }

// The folder part; the root keeps its "\" ("C:\" of "C:\a"), other folders do not.
std::string Parent(const std::string& full) {
    if (IsRoot(full))
        return full;
    const std::size_t slash = full.rfind('\\');
    if (slash == std::string::npos)
        return full;
    return slash < PrefixLength(full) + 1 ? full.substr(0, slash + 1) : full.substr(0, slash);
}

std::string Leaf(const std::string& full) {
    if (IsRoot(full))
        return std::string();
    const std::size_t slash = full.rfind('\\');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

std::string Child(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

}  // namespace batchfile::paths

namespace batchfile {

EntryKind VirtualDisk::KindOf(const std::string& full) const {
    const auto known = m_kinds.find(paths::Fold(full));
    if (known != m_kinds.end())
        return known->second;
    return m_base ? m_base->KindOf(full) : EntryKind::Missing;
}

std::vector<DiskView::Entry> VirtualDisk::List(const std::string& folder) const {
    std::vector<DiskView::Entry> entries;
    if (m_base)
        entries = m_base->List(folder);
    const auto added = m_children.find(paths::Fold(folder));
    if (added == m_children.end())
        return entries;
    std::map<std::string, bool> seen;
    for (const DiskView::Entry& entry : entries)
        seen[paths::Fold(entry.name)] = true;
    for (const auto& [folded, entry] : added->second)
        if (!seen.count(folded))
            entries.push_back(entry);
    return entries;
}

void VirtualDisk::AddFile(const std::string& full) { AddEntry(full, false); }

void VirtualDisk::AddFolder(const std::string& full) { AddEntry(full, true); }

// Adds the entry and every folder above it that the view does not have yet; iterative so a
// very deep name cannot exhaust the stack.
void VirtualDisk::AddEntry(const std::string& full, bool folder) {
    // Nothing can be made below a file: the command that tries fails, and the file stays one.
    for (std::string above = paths::Parent(full); !paths::IsRoot(above); above = paths::Parent(above)) {
        if (KindOf(above) == EntryKind::File)
            return;
        if (paths::Parent(above) == above)
            break;
    }
    std::string path = full;
    bool isFolder = folder;
    while (!paths::IsRoot(path) && !path.empty()) {
        const EntryKind wanted = isFolder ? EntryKind::Folder : EntryKind::File;
        const std::string folded = paths::Fold(path);
        const auto known = m_kinds.find(folded);
        if (known != m_kinds.end() && known->second == wanted)
            return;
        if (known == m_kinds.end() && isFolder && m_base && m_base->KindOf(path) == EntryKind::Folder)
            return;
        m_kinds[folded] = wanted;
        const std::string parent = paths::Parent(path);
        if (parent == path)
            return;
        m_children[paths::Fold(parent)][paths::Fold(paths::Leaf(path))] = {paths::Leaf(path), isFolder};
        path = parent;
        isFolder = true;
    }
}

}  // namespace batchfile
