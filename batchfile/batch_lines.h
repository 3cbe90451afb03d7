// The lines of a mod batch file, and writing them to disk.
#pragma once

#include <string>
#include <vector>

namespace batchfile {

// Every line the kit writes ends with these bytes, on every host.
inline constexpr char kLineEnd[] = "\r\n";

std::string NameLine(const std::string& modName);
std::string PpfLine(const std::string& batchFileName);
std::string DeleteLine(const std::string& originalMap);
std::string CopyLine(const std::string& moddedMap, const std::string& originalMap);
std::string ApplyLine(const std::string& mapFile, const std::string& ppfFile);

// Creates (or empties) the file and writes each line with kLineEnd, flushing as it goes.
// False when the file cannot be created or a write fails; then no file is left.
bool WriteBatchFile(const std::string& path, const std::vector<std::string>& lines);

// What a writer tells the user when WriteBatchFile failed for `path`.
std::string CannotCreateMessage(const std::string& path);

}  // namespace batchfile
