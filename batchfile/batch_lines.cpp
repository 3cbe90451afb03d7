// Line builders and the batch file writer shared by both writers.
#include "batchfile/batch_lines.h"

#include <cstdio>
#include <cstring>

#include "base/unique_file.h"

namespace batchfile {

using base::UniqueFile;
std::string NameLine(const std::string& modName) { return ":: &" + modName; }

std::string PpfLine(const std::string& batchFileName) { return ":: <" + batchFileName; }

std::string DeleteLine(const std::string& originalMap) { return "del " + originalMap; }

std::string CopyLine(const std::string& moddedMap, const std::string& originalMap) {
    return "copy " + moddedMap + " " + originalMap;
}

std::string ApplyLine(const std::string& mapFile, const std::string& ppfFile) {
    return "ApplyPPF3.exe a " + mapFile + " " + ppfFile;
}

// Binary mode: the line ends are ours (CR LF), not the host runtime's.
bool WriteBatchFile(const std::string& path, const std::vector<std::string>& lines) {
    if (path.empty())
        return false;
    UniqueFile file{std::fopen(path.c_str(), "wb")};
    if (!file)
        return false;
    const std::size_t endLength = std::strlen(kLineEnd);
    bool written = true;
    for (const std::string& line : lines) {
        written = std::fwrite(line.data(), 1, line.size(), file.get()) == line.size() &&
                  std::fwrite(kLineEnd, 1, endLength, file.get()) == endLength && std::fflush(file.get()) == 0;
        if (!written)
            break;
    }
    written = std::fclose(file.release()) == 0 && written;
    // A half-written batch file would install half a mod: leave none behind.
    if (!written)
        std::remove(path.c_str());
    return written;
}

std::string CannotCreateMessage(const std::string& path) {
    if (path.empty())
        return "The batch file could not be created: no file name was given.";
    return "The batch file \"" + path + "\" could not be created.";
}

}  // namespace batchfile
