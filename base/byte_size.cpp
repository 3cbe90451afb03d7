// Sizes in the words and digits the system's own file windows use.
#include "base/byte_size.h"

namespace base {

// Whole arithmetic only: a unit is a power of 1024, and each decimal is one long division
// step, so the largest counts neither overflow nor round up across a digit.
std::string ExplorerSize(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    std::size_t unit = 0;
    std::uint64_t size = 1024;
    // The next unit once the count reaches 1000 of this one.
    while (unit + 1 < sizeof kUnits / sizeof kUnits[0] && bytes / size >= 1000) {
        ++unit;
        size *= 1024;
    }
    const std::uint64_t whole = bytes / size;
    std::uint64_t rest = bytes % size;
    const int decimals = whole < 10 ? 2 : whole < 100 ? 1 : 0;
    std::string text = std::to_string(whole);
    if (decimals > 0)
        text += '.';
    for (int i = 0; i < decimals; ++i) {
        rest *= 10;  // rest < 2^60, so this stays below 2^64
        text += static_cast<char>('0' + rest / size);
        rest %= size;
    }
    return text + " " + kUnits[unit];
}

}  // namespace base
