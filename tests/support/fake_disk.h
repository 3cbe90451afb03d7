// An in-memory disk for the batch reader's tests: files named by full Windows path, folders
// implied by them or named with a trailing "\", compared without case.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "batchfile/reader/batch_effects.h"

namespace testing_support {

class FakeDisk final : public batchfile::DiskView {
public:
    FakeDisk() = default;
    FakeDisk(std::initializer_list<std::string> paths) {
        for (const std::string& path : paths)
            Add(path);
    }
    void Add(const std::string& path) {
        std::string name = path;
        bool folder = !name.empty() && name.back() == '\\';
        while (!name.empty() && name.back() == '\\')
            name.pop_back();
        while (true) {
            const std::size_t slash = name.rfind('\\');
            if (slash == std::string::npos)
                return;
            std::string parent = name.substr(0, slash);
            const std::string key = Fold(parent.size() == 2 ? parent + "\\" : parent);
            m_entries[key][Fold(name.substr(slash + 1))] = {name.substr(slash + 1), folder};
            m_kinds[Fold(name)] = folder ? base::PathKind::Folder : base::PathKind::File;
            if (parent.size() == 2) {
                m_kinds[Fold(parent + "\\")] = base::PathKind::Folder;
                return;
            }
            name = parent;
            folder = true;
        }
    }
    base::PathKind KindOf(const std::string& fullPath) const override {
        const auto found = m_kinds.find(Fold(fullPath));
        return found == m_kinds.end() ? base::PathKind::Missing : found->second;
    }
    std::vector<Entry> List(const std::string& fullFolder) const override {
        std::vector<Entry> entries;
        const auto found = m_entries.find(Fold(fullFolder));
        if (found != m_entries.end())
            for (const auto& named : found->second)
                entries.push_back(named.second);
        return entries;
    }

private:
    static std::string Fold(std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    }
    std::map<std::string, base::PathKind> m_kinds;
    std::map<std::string, std::map<std::string, Entry>> m_entries;
};

}  // namespace testing_support
