// The store of original files: copies under their names relative to the game folder and
// one index, replaced whole, that says which files were kept and which were not there.
#include "manager/originals_store.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "base/disk_file.h"
#include "manager/game_files.h"
#include "manager/game_files_native.h"

namespace manager {
namespace {

using batchfile::FolderPart;

constexpr char kIndexName[] = "index.txt";
constexpr char kIndexHeader[] =
    "Original game files kept by Grenwick before mods changed them; its system menu entry "
    "\"Restore original files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod "
    "created it).";
constexpr char kKept[] = "kept\t";
constexpr char kAbsent[] = "absent\t";
constexpr char kElsewhere[] = "elsewhere";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string BaseName(const std::string& name) { return name.substr(FolderPart(name).size()); }

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

bool IsRooted(const std::string& name) {
    return (!name.empty() && IsSeparator(name[0])) || (name.size() >= 2 && name[1] == ':');
}

// A name taken apart: its root ("C:\", "\\server\share\", "\", "C:" or nothing for a
// relative name) and its parts, "." and ".." resolved.
struct SplitName {
    std::string root;
    std::vector<std::string> parts;
};

SplitName Split(const std::string& name) {
    SplitName split;
    std::size_t at = 0;
    if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) {
        split.root = "\\\\";
        at = 2;
        for (int part = 0; part < 2 && at < name.size(); ++part) {
            const std::size_t end = std::min(name.find_first_of("\\/", at), name.size());
            split.root += name.substr(at, end - at) + "\\";
            at = end + 1;
        }
    } else if (name.size() >= 2 && name[1] == ':') {
        split.root = name.substr(0, 2);
        at = 2;
    }
    if (at < name.size() && IsSeparator(name[at])) {
        split.root += "\\";
        ++at;
    }
    while (at < name.size()) {
        const std::size_t end = std::min(name.find_first_of("\\/", at), name.size());
        const std::string part = name.substr(at, end - at);
        if (part == "..") {
            if (!split.parts.empty())
                split.parts.pop_back();
        } else if (!part.empty() && part != ".") {
            split.parts.push_back(part);
        }
        at = end + 1;
    }
    return split;
}

std::string JoinParts(const std::vector<std::string>& parts, std::size_t from) {
    std::string joined;
    for (std::size_t i = from; i < parts.size(); ++i)
        joined += (i > from ? "\\" : "") + parts[i];
    return joined;
}

// The files in the game folder one name of a deleting or patching command stands for.
void AddExpanded(const std::string& name, const std::string& gameFolder, std::vector<std::string>& names) {
    const auto full = [&](const std::string& n) { return IsRooted(n) ? n : Join(gameFolder, n); };
    if (batchfile::HasWildcard(BaseName(name))) {
        const std::string folder = FolderPart(name);
        for (const std::string& file : FilesIn(full(folder.empty() ? "." : folder)))
            if (batchfile::MatchesWildcard(BaseName(name), file))
                names.push_back(folder + file);
    } else if (KindOf(full(name)) == FileKind::Folder) {
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
        if (batchfile::HasWildcard(BaseName(change.source)))
            AddExpanded(change.source, gameFolder, sources);
        else
            sources.push_back(change.source);
        const std::string& target = change.target;
        const std::string targetBase = BaseName(target);
        const bool intoFolder = targetBase.empty() || targetBase == "." ||
                                KindOf(IsRooted(target) ? target : Join(gameFolder, target)) == FileKind::Folder;
        for (const std::string& source : sources) {
            if (batchfile::HasWildcard(targetBase))
                names.push_back(FolderPart(target) + batchfile::NameByPattern(targetBase, BaseName(source)));
            else
                names.push_back(intoFolder ? Join(target, BaseName(source)) : target);
        }
    }
    std::vector<std::string> files;
    for (std::string& name : names)
        if (!BaseName(name).empty() && !batchfile::IsDeviceName(name))
            files.push_back(std::move(name));
    return files;
}

// "C:x" names x in the current folder of drive C:, taken as the game folder on its drive.
GamePlace PlaceInGameFolder(const std::string& name, const std::string& gameFolder) {
    const SplitName game = Split(gameFolder);
    SplitName split = Split(name);
    const std::string gameDrive = game.root.substr(0, game.root.find('\\'));
    if (split.root.empty() || FoldCase(split.root) == FoldCase(gameDrive)) {
        split = Split(gameFolder + "\\" + name.substr(split.root.size()));
    } else if (split.root == "\\") {
        split.root = gameDrive + "\\";
    } else if (split.root.back() != '\\') {
        split.root += "\\";
    }
    bool inside = FoldCase(split.root) == FoldCase(game.root) && split.parts.size() >= game.parts.size();
    for (std::size_t i = 0; inside && i < game.parts.size(); ++i)
        inside = FoldCase(split.parts[i]) == FoldCase(game.parts[i]);
    if (inside)
        return {JoinParts(split.parts, game.parts.size()), true};
    return {split.root + JoinParts(split.parts, 0), false};
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
    const auto lines = batchfile::ReadAllLines(NativeName(IndexPath()));
    if (!lines)
        return KindOf(IndexPath()) == FileKind::Missing;
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

std::optional<std::string> OriginalsStore::Keep(const std::vector<std::string>& names) {
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
        const FileKind kind = KindOf(full);
        if (kind == FileKind::Folder)
            continue;
        if (kind == FileKind::File) {
            const std::string copy = CopyPath(place);
            if (!MakeFolders(FolderPart(copy)) ||
                !CopyWholeFile(full, base::UniqueFile{std::fopen(NativeName(copy).c_str(), "wb")})) {
                copies.push_back(copy);
                RemoveCopies(copies);
                return place.name;
            }
            copies.push_back(copy);
        }
        files.push_back({place.name, kind == FileKind::File});
    }
    if (files.size() == m_files.size())
        return std::nullopt;
    if (!WriteIndex(files)) {
        RemoveCopies(copies);
        return IndexPath();
    }
    m_files = std::move(files);
    return std::nullopt;
}

// Each original is copied whole beside the file it replaces, then moved over it in one
// step, so a failure never leaves a half-written game file.
OriginalsStore::PutBackReport OriginalsStore::PutBack() {
    PutBackReport report;
    std::vector<KeptFile> remaining;
    std::vector<std::string> putBackCopies;
    for (const KeptFile& file : m_files) {
        const GamePlace place = PlaceInGameFolder(file.name, m_gameFolder);
        const std::string full = FullPath(place);
        bool done;
        if (file.existed) {
            const std::string copy = CopyPath(place);
            std::string fresh;
            base::WriteFailure why;
            done = MakeFolders(FolderPart(full)) &&
                   CopyWholeFile(copy, base::CreateFileBeside(NativeName(full), fresh, why)) &&
                   base::MoveFileOver(fresh, NativeName(full), why);
            if (done)
                putBackCopies.push_back(copy);
            else if (!fresh.empty())
                RemoveFile(fresh);
        } else {
            const FileKind kind = KindOf(full);
            done = kind == FileKind::Missing || (kind == FileKind::File && RemoveFile(full));
        }
        if (done) {
            ++report.putBack;
        } else {
            report.failed.push_back(file.name);
            remaining.push_back(file);
        }
    }
    report.indexWritten = WriteIndex(remaining);
    if (!report.indexWritten)
        return report;  // the old index still names every copy, so a later try finds them all
    RemoveCopies(putBackCopies);
    m_files = std::move(remaining);
    if (m_files.empty())
        RemoveEmptyFolder(Join(m_gameFolder, kKeptFolder));
    return report;
}

// Written beside the index, flushed to the disk and moved over it, so the index is always
// one whole version.
bool OriginalsStore::WriteIndex(const std::vector<KeptFile>& files) const {
    const std::string index = IndexPath();
    if (files.empty())
        return RemoveFile(index) || KindOf(index) == FileKind::Missing;
    std::string text = std::string(kIndexHeader) + "\r\n";
    for (const KeptFile& file : files)
        text += (file.existed ? kKept : kAbsent) + file.name + "\r\n";
    std::string fresh;
    base::WriteFailure why;
    base::UniqueFile out = MakeFolders(FolderPart(index)) ? base::CreateFileBeside(NativeName(index), fresh, why)
                                                          : nullptr;
    if (!out)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
    if (base::CloseFlushed(std::move(out)) && written && base::MoveFileOver(fresh, NativeName(index), why))
        return true;
    RemoveFile(fresh);
    return false;
}

// Removes the copies and every folder of the store they leave empty, the store's own too.
void OriginalsStore::RemoveCopies(const std::vector<std::string>& copies) const {
    const std::string kept = FoldCase(Join(m_gameFolder, kKeptFolder));
    for (const std::string& copy : copies) {
        RemoveFile(copy);
        for (std::string folder = copy; folder.size() > kept.size();) {
            folder = FolderPart(folder);
            folder.pop_back();
            if (!RemoveEmptyFolder(folder))
                break;
        }
    }
}

}  // namespace manager
