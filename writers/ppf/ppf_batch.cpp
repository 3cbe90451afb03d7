// PPF batch lines: the PPF line and the apply line are written whatever the form holds.
#include "writers/ppf/ppf_batch.h"

#include "batchfile/batch_lines.h"

namespace ppf {

std::vector<std::string> PpfLines(const PpfForm& form) {
    std::vector<std::string> lines;
    if (!form.modName.empty())
        lines.push_back(batchfile::NameLine(form.modName));
    lines.push_back(batchfile::PpfLine(form.batchFile));
    lines.push_back(batchfile::ApplyLine(form.mapFile, form.ppfFile));
    return lines;
}

}  // namespace ppf
