// The commands that change files: del, rd, copy, move, ren, xcopy, robocopy and the kit's
// patcher, each over the view of the disk, and the argument splitting they share.
#include "batchfile/reader/batch_runner.h"

#include <algorithm>
#include <set>

#include "base/paths.h"
#include "base/text.h"

namespace batchfile::runner {

std::vector<Arg> InternalArgs(const std::string& text) {
    std::vector<Arg> args;
    Arg arg;
    bool quoted = false, started = false;
    auto flush = [&] {
        if (started)
            args.push_back(arg);
        arg = Arg();
        started = false;
    };
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            started = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '=')) {
            flush();
        } else if (!quoted && c == '/') {
            flush();
            arg.isSwitch = true;
            started = true;
        } else {
            arg.text.push_back(quoted && c == '/' ? '\\' : c);
            started = true;
        }
    }
    flush();
    return args;
}

std::vector<Arg> ProgramArgs(const std::string& text) {
    std::vector<Arg> args;
    for (const std::string& word : syntax::SplitWords(text, "")) {
        Arg arg;
        arg.isSwitch = word[0] == '/';
        arg.text = syntax::WithoutQuotes(arg.isSwitch ? word.substr(1) : word);
        args.push_back(arg);
    }
    return args;
}

std::vector<std::string> Names(const std::vector<Arg>& args) {
    std::vector<std::string> names;
    for (const Arg& arg : args)
        if (!arg.isSwitch && !arg.text.empty())  // "" names nothing
            names.push_back(arg.text);
    return names;
}

// Whether every switch among the arguments is one of `known` (folded), as the internal
// commands check before they do anything.
bool OnlySwitches(const std::vector<Arg>& args, const std::set<std::string>& known) {
    for (const Arg& arg : args)
        if (arg.isSwitch && !known.count(base::AsciiLower(arg.text)))
            return false;
    return true;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}


// del and erase: "/s" takes every folder below; a folder name stands for the files in it. Any
// switch del does not know ("del maps/a.map" gives "/a.map") stops the command before it
// deletes anything.
void Runner::Delete(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    bool recursive = false;
    for (const Arg& arg : args) {
        if (!arg.isSwitch)
            continue;
        const std::string flag = base::AsciiLower(arg.text);
        if (flag == "s") {
            recursive = true;
        } else if (flag == "p" || flag == "f" || flag == "q") {
        } else if (!flag.empty() && flag[0] == 'a') {
            const std::string attributes = flag.substr(flag.size() > 1 && flag[1] == ':' ? 2 : 1);
            if (attributes.find_first_not_of("rhsailo-") != std::string::npos)
                return;
        } else {
            return;
        }
    }
    for (const std::string& name : Names(args)) {
        if (base::IsDeviceName(name))
            continue;
        const std::optional<std::string> full = Resolve(name, line);
        if (!full)
            continue;
        const bool pattern = base::HasWildcard(base::FullLeaf(*full));
        const base::PathKind kind = pattern ? base::PathKind::Missing : m_disk.KindOf(*full);
        if (recursive) {
            const bool folder = kind == base::PathKind::Folder;
            const std::string root = folder ? *full : base::ParentFolder(*full);
            for (const Match& match : FilesBelow(root, folder ? "*" : base::FullLeaf(*full), true, line))
                Removed(match.full);
            if (!folder && !pattern && m_uncertain)
                Removed(*full);
        } else if (pattern) {
            // Files an earlier unknown line made are no originals: only the known matches count.
            for (const std::string& file : Matching(*full, true, false))
                Removed(file);
        } else if (kind == base::PathKind::Folder) {
            for (const std::string& file : Sources(*full, line))
                Removed(file);
        } else if (kind == base::PathKind::File || m_uncertain) {
            Removed(*full);
        }
    }
}

// rd without /s removes only an empty folder; with /s every file below it goes.
void Runner::RemoveFolder(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    bool recursive = false;
    for (const Arg& arg : args) {
        const std::string flag = base::AsciiLower(arg.text);
        if (arg.isSwitch && flag == "s")
            recursive = true;
        else if (arg.isSwitch && flag != "q")
            return;
    }
    if (!recursive)
        return;
    for (const std::string& name : Names(args)) {
        const std::optional<std::string> full = Resolve(name, line);
        if (!full)
            continue;
        // A folder an earlier unknown line made holds no originals: it changes nothing known.
        if (m_disk.KindOf(*full) == base::PathKind::Folder)
            for (const Match& match : FilesBelow(*full, "*", true, line))
                Removed(match.full);
    }
}

namespace {

// Where a file lands when copied, moved or renamed onto `target`: into a folder under its own
// name, by a wildcard pattern, or onto the target itself.
std::string Destination(const std::string& target, bool targetIsFolder, const std::string& source) {
    if (targetIsFolder)
        return base::Join(target, base::FullLeaf(source));
    const std::string leaf = base::FullLeaf(target);
    if (base::HasWildcard(leaf))
        return base::Join(base::ParentFolder(target), base::NameByPattern(leaf, base::FullLeaf(source)));
    return target;
}

bool NamesFolder(const std::string& name) {
    return !name.empty() && (name.back() == '\\' || name.back() == '/' || name.back() == ':' || name == "." || name == ".." ||
                             EndsWith(name, "\\.") || EndsWith(name, "\\.."));
}

}  // namespace

// copy [switches] source[+source...] [target]: sources joined by "+" become one file; without a
// target the files land in the current folder.
void Runner::Copy(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    static const std::set<std::string> kCopySwitches = {"a", "b", "v", "y", "-y", "d", "n", "z", "l"};
    if (!OnlySwitches(args, kCopySwitches))
        return;  // copy refuses a switch it does not know, before it copies anything
    std::vector<std::string> groups;
    for (const std::string& name : Names(args)) {
        if (!groups.empty() && (groups.back().back() == '+' || name.front() == '+'))
            groups.back() += name;
        else
            groups.push_back(name);
    }
    if (groups.empty())
        return;
    std::vector<std::string> sources;
    const std::size_t sourceGroups = groups.size() > 1 ? groups.size() - 1 : 1;
    for (std::size_t g = 0; g < sourceGroups; ++g) {
        std::size_t start = 0;
        for (std::size_t plus; (plus = groups[g].find('+', start)) != std::string::npos; start = plus + 1)
            if (plus > start)
                sources.push_back(groups[g].substr(start, plus - start));
        if (start < groups[g].size())
            sources.push_back(groups[g].substr(start));
    }
    if (sources.empty())
        return;
    const bool joined = sources.size() > 1;
    std::string targetName = groups.size() > 1 ? groups.back() : joined ? sources.front() : ".";
    if (base::IsDeviceName(targetName))
        return;
    const std::optional<std::string> target = Resolve(targetName, line);
    if (!target)
        return;
    const bool targetIsFolder = NamesFolder(targetName) || m_disk.KindOf(*target) == base::PathKind::Folder;
    for (const std::string& source : sources) {
        if (base::IsDeviceName(source))
            continue;
        const std::optional<std::string> full = Resolve(source, line);
        if (!full) {
            if (!targetIsFolder && !base::HasWildcard(base::FullLeaf(*target)))
                Created(*target);  // whatever the source is, this file is overwritten
            else
                Reaches(line, targetIsFolder ? *target : base::ParentFolder(*target));
            continue;
        }
        ListedAfterUnknown(*full, line);
        for (const std::string& file : Sources(*full, line)) {
            const std::string destination = joined && !targetIsFolder ? *target : Destination(*target, targetIsFolder, file);
            if (m_fold(destination) != m_fold(file) || joined)
                Created(destination);
        }
    }
}

// Every file below `folder` moves to the same place below `destination`.
void Runner::MoveTree(const std::string& folder, const std::string& destination, int line) {
    m_disk.AddFolder(destination);
    for (const Match& match : FilesBelow(folder, "*", true, line)) {
        Removed(match.full);
        Created(base::Join(destination, match.relative));
    }
}

// move [/y] source[,source...] [target]: files by name or pattern, or a whole folder.
void Runner::Move(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    static const std::set<std::string> kMoveSwitches = {"y", "-y"};
    if (!OnlySwitches(args, kMoveSwitches))
        return;  // move refuses a switch it does not know, before it moves anything
    const std::vector<std::string> names = Names(args);
    if (names.empty())
        return;
    const std::string targetName = names.size() > 1 ? names.back() : ".";
    const std::optional<std::string> target = Resolve(targetName, line);
    if (!target)
        return;
    const bool targetIsFolder = NamesFolder(targetName) || m_disk.KindOf(*target) == base::PathKind::Folder;
    for (std::size_t i = 0; i + 1 < names.size() || (i == 0 && names.size() == 1); ++i) {
        const std::optional<std::string> full = Resolve(names[i], line);
        if (!full) {
            Reaches(line, targetIsFolder ? *target : base::ParentFolder(*target));
            continue;
        }
        ListedAfterUnknown(*full, line);
        if (!base::HasWildcard(base::FullLeaf(*full)) && m_disk.KindOf(*full) == base::PathKind::Folder) {
            MoveTree(*full, targetIsFolder ? base::Join(*target, base::FullLeaf(*full)) : *target, line);
            continue;
        }
        for (const std::string& file : Sources(*full, line)) {
            const std::string destination = Destination(*target, targetIsFolder, file);
            if (m_fold(destination) == m_fold(file))
                continue;
            Removed(file);
            Created(destination);
        }
    }
}

// ren source newname: the new name is a name in the same folder, maybe with wildcards.
void Runner::Rename(const std::string& rest, int line) {
    // ren knows no switches, so a "/" inside a name is most likely a refusal; interpreters
    // differ there, so the names are also read with "/" as a separator, to keep every file.
    std::string slashed = rest;
    std::replace(slashed.begin(), slashed.end(), '/', '\\');
    const std::vector<std::string> names = Names(InternalArgs(slashed));
    if (names.size() < 2 || names[1].find_first_of("\\:") != std::string::npos)
        return;
    const std::optional<std::string> full = Resolve(names[0], line);
    if (!full || (HasUnknown(names[1]) || names[1].find('%') != std::string::npos)) {
        if (full)
            UnfollowedName(line, names[1]);
        return;
    }
    const std::string folder = base::ParentFolder(*full);
    ListedAfterUnknown(*full, line);
    if (base::HasWildcard(base::FullLeaf(*full))) {
        for (const std::string& match : Matching(*full, true, true)) {
            const std::string destination = base::Join(folder, base::NameByPattern(names[1], base::FullLeaf(match)));
            if (m_disk.KindOf(match) == base::PathKind::Folder) {
                MoveTree(match, destination, line);
            } else if (m_fold(destination) != m_fold(match)) {
                Removed(match);
                Created(destination);
            }
        }
        return;
    }
    const std::string destination =
        base::Join(folder, base::HasWildcard(names[1]) ? base::NameByPattern(names[1], base::FullLeaf(*full)) : names[1]);
    const base::PathKind kind = m_disk.KindOf(*full);
    if (kind == base::PathKind::Folder) {
        MoveTree(*full, destination, line);
    } else if (kind == base::PathKind::File || m_uncertain) {
        if (kind == base::PathKind::Missing && Tainted(*full))
            UnfollowedAfterUnknown(line);  // an earlier unknown line may have made it, maybe as a folder
        Removed(*full);
        Created(base::NormaliseFull(destination));
    }
}

// One file copied by xcopy onto a folder, onto a file, or onto a name that does not exist yet,
// which xcopy asks about: as a file or as a folder, both count.
void Runner::XcopyFile(const std::string& source, const std::string& target, base::PathKind targetKind) {
    if (targetKind == base::PathKind::File) {
        Created(target);
        return;
    }
    if (targetKind == base::PathKind::Missing)
        Changed(target);  // if answered "file"; the view keeps the folder reading
    Created(base::Join(target, base::FullLeaf(source)));
}

namespace {

// xcopy's switches, as it documents them; one word may hold several ("/E/H/Y").
const std::set<std::string> kXcopySwitches = {"w", "p", "c", "v", "q", "f", "l", "g", "d", "u", "i", "s", "e", "t", "k",
                                              "r", "h", "a", "m", "n", "o", "x", "y", "-y", "z", "b", "j", "compress"};

// The switches of one xcopy word that starts with "/": xcopy reads a "/" inside it as the
// start of the next switch, in either case; "/d:date" and "/exclude:list" keep their value.
std::vector<std::string> XcopySwitches(const std::string& text) {
    std::vector<std::string> switches;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::string folded = base::AsciiLower(text.substr(start));
        if (folded.compare(0, 8, "exclude:") == 0) {  // its files are joined by "+", never "/"
            switches.push_back("exclude:");
            break;
        }
        const std::size_t slash = text.find('/', start);
        const std::string part = base::AsciiLower(text.substr(start, slash == std::string::npos ? slash : slash - start));
        switches.push_back(part.compare(0, 2, "d:") == 0 ? "d" : part);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return switches;
}

}  // namespace

// xcopy source [target] [switches]: a file, a pattern or a folder; /s and /e go below. Without
// /i, a target that does not exist may become a file or a folder (xcopy asks): both count.
// A switch xcopy does not document, or a word starting with "-" that names nothing, is one
// the reader cannot be sure of: the line is named, and the files it knows still count.
void Runner::Xcopy(const std::string& rest, int line) {
    bool recursive = false, folderTarget = false;
    std::vector<std::string> names;
    for (const Arg& arg : ProgramArgs(rest)) {
        if (!arg.isSwitch) {
            if (arg.text.size() > 1 && arg.text[0] == '-' && m_disk.KindOf(Absolute(arg.text)) == base::PathKind::Missing)
                Unfollowed(line, UnfollowedWhy::UnknownSwitch);
            names.push_back(arg.text);
            continue;
        }
        for (const std::string& flag : XcopySwitches(arg.text)) {
            if (flag == "s" || flag == "e")
                recursive = true;
            else if (flag == "i")
                folderTarget = true;
            else if (flag == "l" || flag == "t")
                return;  // lists, or makes only the folders
            else if (flag != "exclude:" && !kXcopySwitches.count(flag))
                Unfollowed(line, UnfollowedWhy::UnknownSwitch);
        }
    }
    if (names.empty())
        return;
    const std::optional<std::string> source = Resolve(names[0], line);
    std::optional<std::string> target = Resolve(names.size() > 1 ? names[1] : ".", line);
    if (!source && target)
        Reaches(line, base::HasWildcard(base::FullLeaf(*target)) ? base::ParentFolder(*target) : *target);
    if (!source || !target)
        return;
    // "dest\*" copies into dest under the files' own names, as a folder target.
    const bool wildTarget = base::HasWildcard(base::FullLeaf(*target));
    if (wildTarget)
        target = base::ParentFolder(*target);
    const bool pattern = base::HasWildcard(base::FullLeaf(*source));
    const base::PathKind kind = pattern ? base::PathKind::Missing : m_disk.KindOf(*source);
    const base::PathKind targetKind = m_disk.KindOf(*target);
    const bool targetNamedFolder = names.size() < 2 || wildTarget || NamesFolder(names[1]);
    if (kind == base::PathKind::File || (kind == base::PathKind::Missing && !pattern)) {
        if (kind == base::PathKind::Missing && !m_uncertain)
            return;
        if (kind == base::PathKind::Missing)
            UnfollowedAfterUnknown(line);  // an earlier unknown line may have made it, maybe as a folder of files
        XcopyFile(*source, *target, targetKind == base::PathKind::Folder || targetNamedFolder ? base::PathKind::Folder : targetKind);
        return;
    }
    ListedAfterUnknown(*source, line);
    const std::string folder = pattern ? base::ParentFolder(*source) : *source;
    const std::vector<Match> files = FilesBelow(folder, pattern ? base::FullLeaf(*source) : "*", recursive, line);
    if (files.empty() && m_uncertain)
        UnfollowedAfterUnknown(line);
    const bool asFile =
        targetKind == base::PathKind::File || (targetKind == base::PathKind::Missing && !folderTarget && !targetNamedFolder);
    for (const Match& match : files) {
        if (targetKind == base::PathKind::File) {
            Created(*target);
            continue;
        }
        Created(base::Join(*target, match.relative));
        if (asFile)
            Changed(*target);  // if answered "file"; the view keeps the folder reading
    }
}

namespace {

// The robocopy switches the reader knows the meaning of: those that pick which files go
// where, and those that change only how (retries, logging, attributes, speed). A value after
// ":" is kept apart; robocopy takes one switch a word, so "/E/H" is none it knows.
bool RobocopyKnows(const std::string& flag) {
    static const std::set<std::string> kPlain = {
        "s", "e", "mir", "purge", "mov", "move", "l", "xf", "xd", "z", "b", "zb", "j", "efsraw", "sec", "copyall",
        "nocopy", "secfix", "timfix", "fat", "256", "sl", "nodcopy", "nooffload", "compress", "reg", "tbd", "lfsm",
        "mt", "np", "ndl", "nfl", "njh", "njs", "ns", "nc", "nn", "tee", "eta", "bytes", "x", "v", "ts", "fp",
        "unicode", "a", "m", "xo", "xn", "xc", "xx", "xl", "is", "it", "im", "xj", "xjd", "xjf", "fft", "dst", "quit",
        "nosd", "nodd", "create", "r", "w", "lev", "copy", "dcopy", "a+", "a-", "ia", "xa", "max", "min", "maxage",
        "minage", "maxlad", "minlad", "mon", "mot", "rh", "pf", "ipg", "log", "log+", "unilog", "unilog+", "tee"};
    const std::string name = flag.substr(0, flag.find(':'));
    return name.find('/') == std::string::npos && kPlain.count(name) > 0;
}

}  // namespace

// robocopy source target [files...] [options]: /s and /e go below, /mov and /move take the
// source files away, /mir and /purge delete target files the source lacks, /log: writes a file.
void Runner::Robocopy(const std::string& rest, int line) {
    bool recursive = false, purge = false, moves = false, skipValues = false;
    std::vector<std::string> names;
    for (const Arg& arg : ProgramArgs(rest)) {
        const std::string flag = base::AsciiLower(arg.text);
        if (!arg.isSwitch) {
            if (arg.text.size() > 1 && arg.text[0] == '-' && m_disk.KindOf(Absolute(arg.text)) == base::PathKind::Missing)
                Unfollowed(line, UnfollowedWhy::UnknownSwitch);  // a switch, or a pattern of the files to copy
            if (!skipValues)
                names.push_back(arg.text);
            continue;
        }
        skipValues = false;
        if (!RobocopyKnows(flag)) {
            Unfollowed(line, UnfollowedWhy::UnknownSwitch);  // robocopy reads one switch a word
        } else if (flag == "s" || flag == "e") {
            recursive = true;
        } else if (flag == "mir") {
            recursive = purge = true;
        } else if (flag == "purge") {
            purge = true;
        } else if (flag == "mov" || flag == "move") {
            moves = true;
        } else if (flag == "l") {
            return;  // lists only
        } else if (flag == "xf" || flag == "xd") {
            skipValues = true;  // the names after it are left out, not copied
        } else {
            for (const char* log : {"log:", "log+:", "unilog:", "unilog+:"})
                if (flag.compare(0, std::char_traits<char>::length(log), log) == 0)
                    WriteTo(arg.text.substr(std::char_traits<char>::length(log)), line);
        }
    }
    if (names.size() < 2)
        return;
    const std::optional<std::string> source = Resolve(names[0], line);
    const std::optional<std::string> target = Resolve(names[1], line);
    if (!source && target)
        Reaches(line, *target);
    if (!source || !target)
        return;
    std::vector<std::string> patterns(names.begin() + 2, names.end());
    if (patterns.empty())
        patterns.push_back("*.*");
    if (Tainted(*source) || (m_uncertain && FilesBelow(*source, "*", recursive, -1).empty()))
        UnfollowedAfterUnknown(line);  // an earlier unknown line may have put files nobody knows in the source
    if (purge)
        for (const Match& match : FilesBelow(*target, "*", true, line))
            Removed(match.full);
    for (const Match& match : FilesBelow(*source, "*", recursive, line)) {
        bool wanted = false;
        for (const std::string& pattern : patterns)
            wanted = wanted || base::MatchesWildcard(pattern, base::FullLeaf(match.full));
        if (!wanted)
            continue;
        Created(base::Join(*target, match.relative));
        if (moves)
            Removed(match.full);
    }
}

// mklink [/d | /h | /j] link target: makes the name `link`, a file (or hard) link or one to a
// folder; names below a folder link then reach the target folder. mklink fails where the name
// is taken, and refuses a switch it does not know.
void Runner::MakeLink(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    static const std::set<std::string> kLinkSwitches = {"d", "h", "j"};
    if (!OnlySwitches(args, kLinkSwitches))
        return;
    const bool folder = std::any_of(args.begin(), args.end(), [](const Arg& arg) {
        return arg.isSwitch && (base::AsciiLower(arg.text) == "d" || base::AsciiLower(arg.text) == "j");
    });
    const std::vector<std::string> names = Names(args);
    if (names.size() != 2)
        return;
    const std::optional<std::string> link = Resolve(names[0], line);
    if (!link || m_disk.KindOf(*link) != base::PathKind::Missing)
        return;
    if (!folder) {
        Created(*link);
        return;
    }
    Changed(*link);  // the link is a new name, though not a file
    m_disk.AddFolder(*link);
    if (const std::optional<std::string> target = Resolve(names[1], line))
        m_links.emplace_back(m_fold(base::Join(*link, "")), base::Join(*target, ""));
}

// The kit's patcher: "ApplyPPF3 a|u <file> <patch>" changes <file>.
void Runner::Patch(const std::string& rest, int line) {
    const std::vector<std::string> words = syntax::SplitWords(rest, "");
    if (words.size() < 3)
        return;
    const std::string mode = base::AsciiLower(syntax::WithoutQuotes(words[0]));
    if (mode != "a" && mode != "u")
        return;
    if (const std::optional<std::string> full = Resolve(syntax::WithoutQuotes(words[1]), line))
        Created(*full);
}

}  // namespace batchfile::runner
