// Name folding on Windows, by the system's own letter rules.
#include <windows.h>

#include "base/paths.h"

namespace base {

// File names compare as the upper-case letters of the ANSI code page, not only ASCII ones.
std::string FoldCase(const std::string& name) {
    std::string folded = name;
    if (!folded.empty())
        CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

}  // namespace base
