// The batch reader's names and disk: a name against the current folder, the files a name
// or pattern stands for, and the record of changed files and unfollowed lines.
#include "batchfile/reader/batch_runner.h"

#include <algorithm>
#include <cctype>

#include "base/paths.h"
#include "base/text.h"

namespace batchfile::runner {

bool NamesFile(const std::string& full) {
    const std::optional<base::SplitName> split = base::SplitFullPath(full);
    return split && !split->parts.empty();
}

// A name as the file functions read it against the current folder: "X:\..." full, "X:rest"
// against drive X's own folder, "\rest" from the current drive's root, "\\server\share" as is.
std::string Runner::Absolute(const std::string& name) const {
    std::string n = name;
    for (char& c : n)
        if (c == '/')
            c = '\\';
    if (n.size() >= 2 && n[0] == '\\' && n[1] == '\\')
        return base::NormaliseFull(n);
    if (n.size() >= 2 && std::isalpha(static_cast<unsigned char>(n[0])) && n[1] == ':') {
        const char drive = base::AsciiUpper(n[0]);
        const std::string rest = n.substr(2);
        if (!rest.empty() && rest[0] == '\\')
            return base::NormaliseFull(std::string(1, drive) + ":" + rest);
        std::string base = std::string(1, drive) + ":\\";
        if (HasUnknown(m_cwd))
            base = m_cwd;  // the current drive is not known either: it may be this one
        else if (drive == Drive())
            base = m_cwd;
        else if (m_driveCwds.count(drive))
            base = m_driveCwds.at(drive);
        return base::NormaliseFull(base::Join(base, rest));
    }
    if (HasUnknown(m_cwd))
        return kUnknownValue + "\\" + n;  // against a folder nobody can know
    if (!n.empty() && n[0] == '\\') {
        std::string root = m_cwd;
        while (!base::IsFullRoot(root))
            root = base::ParentFolder(root);
        return base::NormaliseFull(root + n.substr(1));
    }
    return base::NormaliseFull(base::Join(m_cwd, n));
}

// The full path of a name a command works on; nothing (and the line unfollowed) when the name
// is built from an unknown value, holds a loop variable no loop gives a value, or is relative
// to a current folder nobody can know.
std::optional<std::string> Runner::Resolve(const std::string& name, int line) {
    if (HasUnknown(name) || name.find('%') != std::string::npos) {
        UnfollowedName(line, name);
        return std::nullopt;
    }
    std::string full = Absolute(name);
    if (HasUnknown(full)) {
        UnfollowedName(line, full);
        return std::nullopt;
    }
    // A name below a folder link the run made reaches the folder it stands for.
    if (!m_links.empty()) {
        const std::string folded = m_fold(base::Join(full, ""));
        for (const auto& [link, target] : m_links)
            if (folded.compare(0, link.size(), link) == 0)
                return base::NormaliseFull(base::Join(target, full.substr(std::min(link.size(), full.size()))));
    }
    return full;
}

std::vector<std::string> Runner::Matching(const std::string& full, bool files, bool folders) {
    std::vector<std::string> out;
    const std::string folder = base::ParentFolder(full);
    const std::string pattern = base::FullLeaf(full);
    for (const DiskView::Entry& entry : m_disk.List(folder))
        if ((entry.folder ? folders : files) && base::MatchesWildcard(pattern, entry.name))
            out.push_back(base::Join(folder, entry.name));
    return out;
}

// Files in `folder` (and below it when `recursive`) whose names match `pattern`, with their
// paths relative to `folder`. Bounded: a walk too large makes the line unfollowed.
std::vector<Runner::Match> Runner::FilesBelow(const std::string& folder, const std::string& pattern, bool recursive, int line) {
    std::vector<Match> out;
    std::vector<std::pair<std::string, std::string>> pending = {{folder, std::string()}};
    while (!pending.empty()) {
        const auto [current, relative] = pending.back();
        pending.pop_back();
        for (const DiskView::Entry& entry : m_disk.List(current)) {
            if (++m_walked > kMaxWalk) {
                if (line >= 0)
                    Unfollowed(line, UnfollowedWhy::BoundReached);
                return out;
            }
            const std::string full = base::Join(current, entry.name);
            const std::string rel = relative.empty() ? entry.name : relative + "\\" + entry.name;
            if (entry.folder) {
                if (recursive)
                    pending.emplace_back(full, rel);
            } else if (base::MatchesWildcard(pattern, entry.name)) {
                out.push_back({full, rel});
            }
        }
    }
    return out;
}

// The files a source name stands for: the matches of a pattern, the files in a folder, or the
// file itself. A missing name counts as a file once the disk is uncertain.
std::vector<std::string> Runner::Sources(const std::string& full, int line) {
    if (base::HasWildcard(base::FullLeaf(full))) {
        std::vector<std::string> matches = Matching(full, true, false);
        if (matches.empty() && m_uncertain)
            UnfollowedAfterUnknown(line);
        return matches;
    }
    switch (m_disk.KindOf(full)) {
    case base::PathKind::File:
        return {full};
    case base::PathKind::Folder: {
        std::vector<std::string> files;
        for (const Match& match : FilesBelow(full, "*", false, line))
            files.push_back(match.full);
        return files;
    }
    case base::PathKind::Missing:
    case base::PathKind::Other:
        break;
    }
    if (!m_uncertain)
        return {};
    // An earlier unknown line may have made it. A program that made it made a file of that
    // name, which is followed; a name nobody knows may have made a folder of files nobody knows.
    if (Tainted(full))
        UnfollowedAfterUnknown(line);
    return {full};
}

// After a line the reader cannot follow, a folder may hold files nobody knows: a command that
// copies, moves or renames what a pattern or a folder stands for is unfollowed too.
void Runner::ListedAfterUnknown(const std::string& full, int line) {
    if (Tainted(full) && (base::HasWildcard(base::FullLeaf(full)) || m_disk.KindOf(full) == base::PathKind::Folder))
        UnfollowedAfterUnknown(line);
}

// Keeps a changed file once, by its folded name, with the case it was first met in.
// A name no run could change (a wildcard, a drive inside the path, a separator run) is left
// out, and its line is unfollowed; so is the rest of the file past the bound.
void Runner::Changed(const std::string& full) {
    if (!NamesFile(full)) {
        Unfollowed(m_line, UnfollowedWhy::UnreadableText);
        return;
    }
    if (effects.changed.size() >= kMaxChanged) {
        Stop(m_line);
        return;
    }
    if (m_changedKeys.insert(m_fold(full)).second)
        effects.changed.push_back(full);
}

void Runner::Removed(const std::string& full) {
    Changed(full);
    if (NamesFile(full))
        m_deletedKeys.insert(m_fold(full));
}

void Runner::Created(const std::string& full) {
    if (m_disk.KindOf(full) == base::PathKind::Folder)
        return;  // a folder cannot be written as a file: the command fails there
    Changed(full);
    if (!m_deletedKeys.empty())
        m_deletedKeys.erase(m_fold(full));
    if (NamesFile(full))
        m_disk.AddFile(full);
}

// Names a line that cannot be followed. From then on the disk view is uncertain: a name
// that is not there may have been made by that line.
// A line that cannot be followed: a program taints only what a pattern or a missing name may
// stand for (or the folder it was given); anything else may have written any name.
void Runner::Unfollowed(int line, UnfollowedWhy why, const std::string& folder) {
    if (!m_uncertain)
        m_uncertainWhy = why;
    m_uncertain = true;
    const bool program = why == UnfollowedWhy::OtherProgram || why == UnfollowedWhy::Download || why == UnfollowedWhy::UnknownSwitch;
    if (program && !folder.empty())
        m_taintedFolders.push_back(m_fold(base::Join(folder, "")));
    else if (!program)
        m_taintedEverywhere = true;
    Name(line, why, folder);
}

// A name built from a value nobody can know: where the value is a date, a time or a random
// number, only names beginning as the name does before it are reached, and the folder that
// holds them is the line's folder.
void Runner::UnfollowedName(int line, const std::string& name) {
    if (!m_uncertain)
        m_uncertainWhy = WhyOfName(name);
    m_uncertain = true;
    const std::size_t unknown = name.find_first_of(std::string{kUnknown, kTyped, kStamp});
    const std::string before = name.substr(0, unknown);
    bool stampsOnly = unknown != std::string::npos && !HasUnknown(m_cwd);
    for (std::size_t i = unknown; stampsOnly && i < name.size(); ++i)
        stampsOnly = name[i] != kUnknown && name[i] != kTyped;
    const std::size_t cut = before.find_last_of("\\/");
    if (!stampsOnly || (cut == std::string::npos && before.find(':') != std::string::npos) ||
        before.find('%') != std::string::npos) {
        m_taintedEverywhere = true;
        Name(line, WhyOfName(name), std::string());
        return;
    }
    const std::string folder = cut == std::string::npos ? m_cwd : Absolute(before.substr(0, cut + 1));
    const std::string leaf = cut == std::string::npos ? before : before.substr(cut + 1);
    m_taintedFolders.push_back(m_fold(base::Join(folder, leaf)));
    Name(line, WhyOfName(name), NamesFile(folder) ? folder : std::string());
}

// Whether an earlier unknown line may have made this name or something below it.
bool Runner::Tainted(const std::string& full) const {
    if (m_taintedEverywhere)
        return true;
    const std::string folded = m_fold(base::Join(full, ""));
    for (const std::string& prefix : m_taintedFolders)
        if (folded.compare(0, prefix.size(), prefix) == 0 || prefix.compare(0, folded.size(), folded) == 0)
            return true;
    return false;
}

// A line whose source nobody can know writes into a known folder: files there may be new or
// changed, so the folder is the one the line reaches, and names in it are no longer sure.
void Runner::Reaches(int line, const std::string& folder) {
    if (!NamesFile(folder) || !m_frame)
        return;
    m_taintedFolders.push_back(m_fold(base::Join(folder, "")));
    for (UnfollowedLine& named : effects.unfollowed)
        if (named.number == line + 1 && named.file == m_frame->file)
            named.folder = folder;
}

void Runner::Name(int line, UnfollowedWhy why, const std::string& folder) {
    if (!m_frame || line < 0 || static_cast<std::size_t>(line) >= m_frame->lines->size())
        return;
    if (m_unfollowedKeys.insert({m_frame->file, line}).second)
        effects.unfollowed.push_back({m_frame->file, line + 1, ShownLine(static_cast<std::size_t>(line)), why, folder});
}

UnfollowedWhy WhyOfName(const std::string& name) {
    return name.find(kTyped) != std::string::npos ? UnfollowedWhy::TypedName : UnfollowedWhy::FolderFoundAtRunTime;
}

void Runner::Finish() {
    for (const std::string& full : effects.changed)
        if (m_deletedKeys.count(m_fold(full)))
            effects.deleted.push_back(full);
}

// A bound stops the reading at the line: the rest of the file is not followed. The lines where
// it stopped come first among the unfollowed ones, the outermost first, so that the question,
// which names the first few, names them.
void Runner::Stop(int line) {
    m_stopped = true;
    Unfollowed(line, UnfollowedWhy::BoundReached);
    if (!m_frame || line < 0 || static_cast<std::size_t>(line) >= m_frame->lines->size())
        return;
    const auto stopped = std::find_if(effects.unfollowed.begin(), effects.unfollowed.end(), [&](const UnfollowedLine& named) {
        return named.file == m_frame->file && named.number == line + 1;
    });
    if (stopped != effects.unfollowed.end())
        std::rotate(effects.unfollowed.begin(), stopped, stopped + 1);
}

// A redirection's target is written; devices ("nul", "con") are not files.
void Runner::WriteTo(const std::string& target, int line) {
    const std::string name = syntax::WithoutQuotes(target);
    if (TrimBlanks(name).empty() || base::IsDeviceName(name))
        return;
    if (const std::optional<std::string> full = Resolve(name, line))
        Created(*full);
}

}  // namespace batchfile::runner
