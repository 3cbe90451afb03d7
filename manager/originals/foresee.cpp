// The batch file's changes as the line reader knows them: del, erase, copy, move, ren, rename,
// the kit's patcher and output redirection, with wildcards matched on the disk as it is now.
// Any other command, and any file command whose names hang on a variable, is a line that
// cannot be followed.
#include "manager/originals/foresee.h"

#include <cctype>

#include "batchfile/file_changes.h"
#include "manager/game_files.h"

namespace manager {
namespace {

using batchfile::FolderPart;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string BaseName(const std::string& name) { return name.substr(FolderPart(name).size()); }

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

bool IsRooted(const std::string& name) {
    return (!name.empty() && IsSeparator(name[0])) || (name.size() >= 2 && name[1] == ':');
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

namespace {

// Commands that change no file, or whose changes ChangesOf reads when no variable is involved.
bool IsFollowed(const std::string& line) {
    std::size_t at = line.find_first_not_of(" \t@");
    if (at == std::string::npos || line[at] == ':')
        return true;
    std::string word;
    for (; at < line.size() && !std::isspace(static_cast<unsigned char>(line[at])) &&
           std::string("<>|&()").find(line[at]) == std::string::npos;
         ++at)
        word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(line[at]))));
    if (word == "rem")
        return true;
    static const char* const kQuiet[] = {"echo",  "echo.", "pause", "cls",   "title", "color", "exit",
                                         "goto",  "setlocal", "endlocal", "chcp", "ver", "md", "mkdir",
                                         "cd",    "chdir", "pushd", "popd",  "attrib", "timeout"};
    static const char* const kFiles[] = {"del", "erase", "copy", "move", "ren", "rename", "type",
                                         "applyppf3", "applyppf3.exe"};
    const bool plain = line.find_first_of("%!|&") == std::string::npos;
    for (const char* quiet : kQuiet)
        if (word == quiet)
            return plain || line.find('>') == std::string::npos;
    for (const char* files : kFiles)
        if (word == files)
            return plain;
    return false;
}

}  // namespace

Foreseen Foresee(const std::vector<std::string>& lines, const ForeseeContext& context) {
    Foreseen foreseen;
    for (const std::string& name : TouchedNames(batchfile::ChangesOf(lines), context.gameFolder))
        foreseen.changed.push_back(IsRooted(name) ? name : Join(context.gameFolder, name));
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!IsFollowed(lines[i]))
            foreseen.unfollowed.push_back({context.batchPath, static_cast<int>(i + 1), lines[i]});
    return foreseen;
}

}  // namespace manager
