// What the batch reader is given (the disk as the batch file starts, the folder, the variables)
// and what it gives back (the files a run may change, the lines it cannot follow).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/code_pages.h"

namespace batchfile {

enum class EntryKind { Missing, File, Folder };

// The disk as it is when the batch file starts, asked by full Windows path ("C:\\Game\\maps").
class DiskView {
public:
    virtual ~DiskView() = default;
    virtual EntryKind KindOf(const std::string& fullPath) const = 0;
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
};

// Why the reader cannot follow a line.
enum class UnfollowedWhy { OtherProgram };

// The words a window shows for `why`.
inline std::string WhyText(UnfollowedWhy why) {
    (void)why;
    return "another program";
}

struct UnfollowedLine {
    std::string file;  // full path of the batch file the line is in
    int number;        // 1-based
    std::string text;  // as written, in UTF-8
    UnfollowedWhy why = UnfollowedWhy::OtherProgram;
    std::string folder = {};  // full path of the folder the line can reach; empty when unknown
};

struct BatchEffects {
    std::vector<std::string> changed;        // full paths, one per file, case as first met
    // Lines whose effect on files cannot be known, as met; those where a bound stopped the
    // reading come first.
    std::vector<UnfollowedLine> unfollowed;
    // Those of `changed` that no file is left at when the batch file ends.
    std::vector<std::string> deleted = {};
};

}  // namespace batchfile
