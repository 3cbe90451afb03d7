// The lines of a mod batch file, and writing them to disk.
#pragma once

#include <string>
#include <vector>

#include "base/files.h"

namespace batchfile {

// Every line the kit writes ends with these bytes, on every host.
inline constexpr char kLineEnd[] = "\r\n";

std::string NameLine(const std::string& modName);
std::string PpfLine(const std::string& batchFileName);
std::string DeleteLine(const std::string& originalMap);
std::string CopyLine(const std::string& moddedMap, const std::string& originalMap);
std::string ApplyLine(const std::string& mapFile, const std::string& ppfFile);

// Writes each line with kLineEnd into a new file that then takes the place of `path`.
// Fails when the name is empty or not a disk file, or any step fails; the previous file
// is then left as it was.
[[nodiscard]] base::WriteResult WriteBatchFile(const std::string& path, const std::vector<std::string>& lines);

// What a writer tells the user when WriteBatchFile failed for `path`.
std::string CannotCreateMessage(const std::string& path);

// What a writer tells the user when the field labelled `label` holds characters the code
// page could not hold exactly; `text` shows them as "?".
std::string InexactTextMessage(const std::string& label, const std::string& text);

}  // namespace batchfile
