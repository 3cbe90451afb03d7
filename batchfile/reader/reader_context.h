// What the batch reader is given (the disk as the batch file starts, the folder, the variables)
// and what it gives back (the files a run may change, the lines it cannot follow).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/code_pages.h"
#include "base/file_results.h"
#include "base/paths.h"

namespace batchfile {

// The disk as it is when the batch file starts, asked by full Windows path ("C:\\Game\\maps").
// A name that is neither a file nor a folder (a device) is read as a file.
class DiskView {
public:
    virtual ~DiskView() = default;
    virtual base::PathKind KindOf(const std::string& fullPath) const = 0;
    struct Entry {
        std::string name;
        bool folder;
    };
    virtual std::vector<Entry> List(const std::string& fullFolder) const = 0;  // empty when missing
};

struct ReaderContext {
    std::string batchPath;    // full path of the batch file: %0, %~dp0, %~f0, ...
    std::string startFolder;  // full path of the current folder when it starts (the game folder)
    std::vector<std::pair<std::string, std::string>> environment;  // the process's variables
    const DiskView* disk = nullptr;
    // Lines of another batch file, for `call other.bat`; nothing when it cannot be read.
    std::function<std::optional<std::vector<std::string>>(const std::string& fullPath)> readLines;
    // The console's code page as the batch file starts: its lines (and those of the files it
    // calls) are bytes in it until a `chcp` changes it. Every name the reader gives is UTF-8.
    unsigned codePage = base::kUtf8CodePage;
    // How the file system compares names: two that fold alike name one file.
    base::NameFold fold = base::FoldCase;
};

// Why a line cannot be followed.
enum class UnfollowedWhy {
    OtherProgram,          // it runs a program the reader cannot read
    Download,              // it fetches a file while it runs
    FolderFoundAtRunTime,  // a name in it is known only as it runs (a command's output, the date)
    TypedName,             // a name in it is built from what the player types
    BoundReached,          // the reader stopped at one of its bounds
    UnknownSwitch,         // a switch the reader cannot be sure of
    UnreadableText,        // text the reader cannot read (an unknown code page, broken syntax)
};

// A short English phrase for a question: "another program", "a name the player types", ...
std::string WhyText(UnfollowedWhy why);

struct UnfollowedLine {
    std::string file;  // full path of the batch file the line is in
    int number;        // 1-based
    std::string text;  // as written, in UTF-8
    UnfollowedWhy why = UnfollowedWhy::OtherProgram;
    // The full path of the folder the line can reach when it can be named (a program given a
    // known folder, a copy into a known folder from an unknown source); empty when it cannot.
    std::string folder;
};

struct BatchEffects {
    std::vector<std::string> changed;        // full paths, one per file, case as first met
    // Of `changed`, the files the run leaves no file at (deleted, moved away, renamed), as far
    // as the reader can tell; full paths as in `changed`.
    std::vector<std::string> deleted;
    // Lines whose effect on files cannot be known, as met; those where a bound stopped the
    // reading come first.
    std::vector<UnfollowedLine> unfollowed;
};

}  // namespace batchfile
