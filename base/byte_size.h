// A byte count as the file manager shows sizes: "532 bytes", "1.30 KB", "22.9 KB", "5.00 MB".
#pragma once

#include <cstdint>
#include <string>

namespace base {

// Three significant digits, cut off rather than rounded, in steps of 1024; a size under
// 1024 bytes in whole bytes, and from 1000 of a unit on in the next ("0.97 MB").
std::string ExplorerSize(std::uint64_t bytes);

}  // namespace base
