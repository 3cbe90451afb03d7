// The lines of a PPF mod batch file, from the texts of the writer's form.
#pragma once

#include <string>
#include <vector>

namespace ppf {

struct PpfForm {
    std::string ppfFile;
    std::string modName;
    std::string batchFile;
    std::string mapFile;
};

// Name line (for a non-empty name), the PPF line, then the apply line.
std::vector<std::string> PpfLines(const PpfForm& form);

}  // namespace ppf
