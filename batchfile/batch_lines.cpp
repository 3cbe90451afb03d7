// Line builders and the batch file writer shared by both writers.
#include "batchfile/batch_lines.h"

#include <cstdio>
#include <utility>

#include "base/disk_file.h"

namespace batchfile {
namespace {

using base::PathKind;
using base::UniqueFile;

bool NamesNonDiskFile(const std::string& path) {
    PathKind kind = PathKind::Missing;
    base::OpenDiskFile(path, kind);
    return kind == PathKind::NotDiskFile;
}

}  // namespace

std::string NameLine(const std::string& modName) { return ":: &" + modName; }

std::string PpfLine(const std::string& batchFileName) { return ":: <" + batchFileName; }

std::string DeleteLine(const std::string& originalMap) { return "del " + originalMap; }

std::string CopyLine(const std::string& moddedMap, const std::string& originalMap) {
    return "copy " + moddedMap + " " + originalMap;
}

std::string ApplyLine(const std::string& mapFile, const std::string& ppfFile) {
    return "ApplyPPF3.exe a " + mapFile + " " + ppfFile;
}

// Binary mode: the line ends are ours (CR LF), not the host runtime's. The lines go to a
// temp file beside the batch file, which replaces it only once all are on the disk: a
// failed rewrite keeps the previous version, and a half-written batch file (which would
// install half a mod) is never seen. A device name is refused before anything is written,
// since it would take the lines and keep nothing.
bool WriteBatchFile(const std::string& path, const std::vector<std::string>& lines, base::WriteFailure* failure) {
    base::WriteFailure why = base::WriteFailure::Other;
    if (!path.empty() && !NamesNonDiskFile(path)) {
        std::string temporary;
        if (UniqueFile file = base::CreateFileBeside(path, temporary, why)) {
            bool written = true;
            for (const std::string& line : lines)
                written = written && std::fwrite(line.data(), 1, line.size(), file.get()) == line.size() &&
                          std::fputs(kLineEnd, file.get()) >= 0;
            if (base::CloseFlushed(std::move(file)) && written && base::MoveFileOver(temporary, path, why))
                return true;
            std::remove(temporary.c_str());
        }
    }
    if (failure)
        *failure = why;
    return false;
}

std::string CannotCreateMessage(const std::string& path) {
    if (path.empty())
        return "The batch file could not be created: no file name was given.";
    return "The batch file \"" + path + "\" could not be created.";
}

std::string InexactTextMessage(const std::string& label, const std::string& text) {
    return "The text of \"" + label + "\" cannot be used: it holds characters (shown as ?) that the "
           "system's code page cannot hold exactly: \"" + text + "\". Nothing was written.";
}

}  // namespace batchfile
