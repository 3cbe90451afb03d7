// The lines of a map-swap mod batch file, from the texts of the writer's form.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace mapswap {

struct MapPair {
    std::string original;
    std::string modded;
};

struct MapSwapForm {
    std::array<MapPair, 3> pairs;
    std::string outputFile;
    std::string modName;
};

// Name line (for a non-empty name), delete lines, then copy lines, pair 1 to 3.
std::vector<std::string> MapSwapLines(const MapSwapForm& form);

}  // namespace mapswap
