// The store of original files: copies under their names relative to the game folder and
// one index, replaced whole, that says which files were kept and which were not there.
#include "manager/originals/originals_store.h"

#include <set>
#include <utility>

#include "base/files.h"
#include "base/paths.h"

namespace manager {
namespace {

using base::BaseName;
using base::FoldCase;
using base::FolderPart;
using base::IsRooted;
using base::Join;
using base::PathKind;
using base::WriteResult;

constexpr char kIndexName[] = "index.txt";
constexpr char kIndexHeader[] =
    "Original game files kept by Grenwick before mods changed them; its system menu entry "
    "\"Restore original files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod "
    "created it).";
constexpr char kKept[] = "kept\t";
constexpr char kAbsent[] = "absent\t";
constexpr char kElsewhere[] = "elsewhere";

// The names of the files (not folders) in a folder.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const base::FolderEntry& entry : base::ListFolder(folder))
        if (entry.kind != PathKind::Folder)
            names.push_back(entry.name);
    return names;
}

// The files in the game folder one name of a deleting or patching command stands for.
void AddExpanded(const std::string& name, const std::string& gameFolder, std::vector<std::string>& names) {
    const auto full = [&](const std::string& n) { return IsRooted(n) ? n : Join(gameFolder, n); };
    if (base::HasWildcard(BaseName(name))) {
        const std::string folder = FolderPart(name);
        for (const std::string& file : FilesIn(full(folder.empty() ? "." : folder)))
            if (base::MatchesWildcard(BaseName(name), file))
                names.push_back(folder + file);
    } else if (base::KindOf(full(name)) == PathKind::Folder) {
        for (const std::string& file : FilesIn(full(name)))
            names.push_back(Join(name, file));
    } else {
        names.push_back(name);
    }
}

}  // namespace

std::vector<std::string> TouchedNames(const std::vector<batchfile::FileChange>& changes,
                                      const std::string& gameFolder) {
    std::vector<std::string> names;
    for (const batchfile::FileChange& change : changes) {
        if (change.source.empty()) {
            AddExpanded(change.target, gameFolder, names);
            continue;
        }
        std::vector<std::string> sources;
        if (base::HasWildcard(BaseName(change.source)))
            AddExpanded(change.source, gameFolder, sources);
        else
            sources.push_back(change.source);
        const std::string& target = change.target;
        const std::string targetBase = BaseName(target);
        const bool intoFolder = targetBase.empty() || targetBase == "." ||
                                base::KindOf(IsRooted(target) ? target : Join(gameFolder, target)) == PathKind::Folder;
        for (const std::string& source : sources) {
            if (base::HasWildcard(targetBase))
                names.push_back(FolderPart(target) + base::NameByPattern(targetBase, BaseName(source)));
            else
                names.push_back(intoFolder ? Join(target, BaseName(source)) : target);
        }
    }
    std::vector<std::string> files;
    for (std::string& name : names)
        if (!BaseName(name).empty() && !base::IsDeviceName(name))
            files.push_back(std::move(name));
    return files;
}

// "C:x" names x in the current folder of drive C:, taken as the game folder on its drive.
GamePlace PlaceInGameFolder(const std::string& name, const std::string& gameFolder) {
    const base::SplitName game = base::Split(gameFolder);
    base::SplitName split = base::Split(name);
    const std::string gameDrive = game.root.substr(0, game.root.find('\\'));
    if (split.root.empty() || FoldCase(split.root) == FoldCase(gameDrive)) {
        split = base::Split(gameFolder + "\\" + name.substr(split.root.size()));
    } else if (split.root == "\\") {
        split.root = gameDrive + "\\";
    } else if (split.root.back() != '\\') {
        split.root += "\\";
    }
    bool inside = FoldCase(split.root) == FoldCase(game.root) && split.parts.size() >= game.parts.size();
    for (std::size_t i = 0; inside && i < game.parts.size(); ++i)
        inside = FoldCase(split.parts[i]) == FoldCase(game.parts[i]);
    if (inside)
        return {base::JoinParts(split.parts, game.parts.size()), true};
    return {split.root + base::JoinParts(split.parts, 0), false};
}

OriginalsStore::OriginalsStore(std::string gameFolder) : m_gameFolder(std::move(gameFolder)) {}

std::string OriginalsStore::IndexPath() const { return Join(Join(m_gameFolder, kKeptFolder), kIndexName); }

std::string OriginalsStore::FullPath(const GamePlace& place) const {
    return place.inside ? Join(m_gameFolder, place.name) : place.name;
}

// Files outside the game folder are kept under "elsewhere", by their full path.
std::string OriginalsStore::CopyPath(const GamePlace& place) const {
    const std::string kept = Join(m_gameFolder, kKeptFolder);
    if (place.inside)
        return Join(kept, place.name);
    std::string path;
    for (const char c : place.name)
        if (c != ':' && !(path.empty() && c == '\\'))
            path.push_back(c);
    return Join(Join(kept, kElsewhere), path);
}

bool OriginalsStore::Load() {
    m_files.clear();
    const auto lines = batchfile::ReadAllLines(IndexPath());
    if (!lines)
        return base::KindOf(IndexPath()) == PathKind::Missing;
    if (lines->empty() || lines->front() != kIndexHeader)
        return false;
    for (std::size_t i = 1; i < lines->size(); ++i) {
        const std::string& line = (*lines)[i];
        const bool kept = line.rfind(kKept, 0) == 0;
        if (!kept && line.rfind(kAbsent, 0) != 0) {
            m_files.clear();
            return false;
        }
        m_files.push_back({line.substr(line.find('\t') + 1), kept});
    }
    return true;
}

WriteResult OriginalsStore::Keep(const std::vector<std::string>& names, base::CopyProgress* progress) {
    std::set<std::string> known;
    for (const KeptFile& file : m_files)
        known.insert(FoldCase(file.name));
    std::vector<KeptFile> files = m_files;
    std::vector<std::string> copies;
    for (const std::string& name : names) {
        const GamePlace place = PlaceInGameFolder(name, m_gameFolder);
        const std::string first = place.name.substr(0, place.name.find('\\'));
        if (place.name.empty() || (place.inside && FoldCase(first) == FoldCase(kKeptFolder)) ||
            !known.insert(FoldCase(place.name)).second)
            continue;
        const std::string full = FullPath(place);
        const PathKind kind = base::KindOf(full);
        if (kind == PathKind::Folder)
            continue;
        if (kind == PathKind::File) {
            const std::string copy = CopyPath(place);
            WriteResult copied = base::MakeFolders(FolderPart(copy));
            if (copied)
                copied = base::CopyFileDurably(full, copy, progress);
            if (!copied) {
                copies.push_back(copy);  // the folders made for it go too
                RemoveCopies(copies);
                return base::WriteError{place.name, copied.Error().reason};
            }
            copies.push_back(copy);
        }
        files.push_back({place.name, kind == PathKind::File});
    }
    if (files.size() == m_files.size())
        return {};
    WriteResult written = WriteIndex(files);
    if (!written) {
        RemoveCopies(copies);
        return written;
    }
    m_files = std::move(files);
    return {};
}

// Each original is copied whole beside the file it replaces, then moved over it in one
// step, so a failure never leaves a half-written game file.
OriginalsStore::PutBackReport OriginalsStore::PutBack(base::CopyProgress* progress) {
    PutBackReport report;
    std::vector<KeptFile> remaining;
    std::vector<std::string> putBackCopies;
    for (const KeptFile& file : m_files) {
        const GamePlace place = PlaceInGameFolder(file.name, m_gameFolder);
        const std::string full = FullPath(place);
        bool done;
        if (file.existed) {
            const std::string copy = CopyPath(place);
            done = base::MakeFolders(FolderPart(full)) && base::CopyFileDurably(copy, full, progress);
            if (done)
                putBackCopies.push_back(copy);
        } else {
            const PathKind kind = base::KindOf(full);
            done = kind == PathKind::Missing || (kind == PathKind::File && base::RemoveFile(full));
        }
        if (done) {
            ++report.putBack;
        } else {
            report.failed.push_back(file.name);
            remaining.push_back(file);
        }
    }
    report.index = WriteIndex(remaining);
    if (!report.index)
        return report;  // the old index still names every copy, so a later try finds them all
    RemoveCopies(putBackCopies);
    m_files = std::move(remaining);
    if (m_files.empty())
        base::RemoveEmptyFolder(Join(m_gameFolder, kKeptFolder));
    return report;
}

// Written beside the index, flushed to the disk and moved over it, so the index is always
// one whole version.
WriteResult OriginalsStore::WriteIndex(const std::vector<KeptFile>& files) const {
    const std::string index = IndexPath();
    if (files.empty())
        return base::RemoveFile(index);
    std::string text = std::string(kIndexHeader) + "\r\n";
    for (const KeptFile& file : files)
        text += (file.existed ? kKept : kAbsent) + file.name + "\r\n";
    WriteResult written = base::MakeFolders(FolderPart(index));
    if (written)
        written = base::WriteFileDurably(index, text);
    if (!written)
        written.Error().file = index;
    return written;
}

// Removes the copies and every folder of the store they leave empty, the store's own too.
void OriginalsStore::RemoveCopies(const std::vector<std::string>& copies) const {
    const std::string kept = Join(m_gameFolder, kKeptFolder);
    for (const std::string& copy : copies) {
        (void)base::RemoveFile(copy);
        for (std::string folder = copy; folder.size() > kept.size();) {
            folder = FolderPart(folder);
            folder.pop_back();
            if (!base::RemoveEmptyFolder(folder))
                break;
        }
    }
}

}  // namespace manager
