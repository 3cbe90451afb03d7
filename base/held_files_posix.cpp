// POSIX: files have no share modes, so nothing can be held; the holder's check afterwards
// is all there is.
#include "base/held_files.h"

namespace base {

struct HeldFiles::Handles {};

HeldFiles::HeldFiles(const std::vector<std::string>& /*paths*/) {}

HeldFiles::~HeldFiles() = default;

}  // namespace base
