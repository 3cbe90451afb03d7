// Fuzzes the line reader over arbitrary bytes: every line is checked against the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "base/unique_file.h"
#include "batchfile/header_reader.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// What a line must read as, given the bytes from its start through its LF (or the end).
std::string Expected(std::string_view raw) {
    const bool hasLf = !raw.empty() && raw.back() == '\n';
    if (hasLf)
        raw.remove_suffix(1);
    if (hasLf && !raw.empty() && raw.back() == '\r')
        raw.remove_suffix(1);
    return std::string(raw.substr(0, batchfile::kMaxLineLength));
}

// A marker's text is what follows the first marker, and nothing when there is none.
void CheckMarker(const std::string& line, char marker, const std::optional<std::string>& text) {
    const std::size_t at = line.find(marker);
    Check(text.has_value() == (at != std::string::npos));
    Check(!text || *text == line.substr(at + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;  // fmemopen refuses an empty buffer
    // Read mode never writes to the buffer, so dropping const is safe.
    base::UniqueFile file{fmemopen(const_cast<std::uint8_t*>(data), size, "rb")};
    Check(file != nullptr);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = "fallback.bat";

    std::size_t consumed = 0;
    for (std::size_t calls = 0;; ++calls) {
        Check(calls <= size);  // each line takes at least one byte, so this bounds the loop
        const std::optional<std::string> line = batchfile::ReadLine(file.get());
        const long position = std::ftell(file.get());
        Check(position >= 0 && static_cast<std::size_t>(position) <= size);
        if (!line) {
            Check(static_cast<std::size_t>(position) == size && consumed == size);
            break;
        }
        // A line ends at its LF or at the end of the stream, never earlier.
        const std::string_view raw = bytes.substr(consumed, static_cast<std::size_t>(position) - consumed);
        Check(!raw.empty() && raw.find('\n') >= raw.size() - 1);
        Check(raw.back() == '\n' || static_cast<std::size_t>(position) == size);
        consumed = static_cast<std::size_t>(position);

        Check(line->size() <= batchfile::kMaxLineLength);
        Check(line->find('\n') == std::string::npos);
        Check(*line == Expected(raw));
        CheckMarker(*line, '<', batchfile::PpfTextOf(*line));
        const std::string name = batchfile::ModNameOf(*line, path);
        Check(line->find('&') != std::string::npos || name == path);
    }
    Check(!batchfile::ReadLine(file.get()));  // the end stays the end
    return 0;
}
