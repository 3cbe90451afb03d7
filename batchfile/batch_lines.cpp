// Line builders and the batch file writer shared by both writers.
#include "batchfile/batch_lines.h"

#include "base/files.h"

namespace batchfile {
namespace {

bool NamesNonDiskFile(const std::string& path) {
    base::PathKind kind = base::PathKind::Missing;
    base::OpenDiskFile(path, kind);
    return kind == base::PathKind::Other;
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

// The line ends are ours (CR LF), not the host runtime's. The lines go to a temp file beside
// the batch file, which replaces it only once all are on the disk: a failed rewrite keeps
// the previous version, and a half-written batch file (which would install half a mod) is
// never seen. A device name is refused before anything is written, since it would take the
// lines and keep nothing.
base::WriteResult WriteBatchFile(const std::string& path, const std::vector<std::string>& lines) {
    if (path.empty() || NamesNonDiskFile(path))
        return base::WriteError{path, base::WriteError::Reason::Other};
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + kLineEnd;
    return base::WriteFileDurably(path, bytes);
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
