// A mod batch file's lines as the batch reader takes them, and the name helpers it uses.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"

namespace batchfile {

// Every line of the file, CR before LF dropped, with no length limit; nothing when it is
// no file on disk or cannot be read to its end (half a batch file would be followed as if
// it were all of it).
std::optional<std::vector<std::string>> ReadAllLines(const std::string& path);

// The name helpers the reader uses, reachable here as before.
using base::FolderPart;
using base::HasWildcard;
using base::IsDeviceName;
using base::MatchesWildcard;
using base::NameByPattern;

}  // namespace batchfile
