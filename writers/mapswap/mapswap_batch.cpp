// Map-swap batch lines: every original map goes before any modded copy is put in place.
#include "writers/mapswap/mapswap_batch.h"

#include "batchfile/batch_lines.h"

namespace mapswap {

std::vector<std::string> MapSwapLines(const MapSwapForm& form) {
    std::vector<std::string> lines;
    if (!form.modName.empty())
        lines.push_back(batchfile::NameLine(form.modName));
    for (const MapPair& pair : form.pairs)
        if (!pair.original.empty())
            lines.push_back(batchfile::DeleteLine(pair.original));
    for (const MapPair& pair : form.pairs)
        if (!pair.original.empty() && !pair.modded.empty())
            lines.push_back(batchfile::CopyLine(pair.modded, pair.original));
    return lines;
}

}  // namespace mapswap
