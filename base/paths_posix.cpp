// Name folding on the hosts the native tests run on: ASCII letters only, as their tests expect.
#include "base/paths.h"

#include "base/text.h"

namespace base {

std::string FoldCase(const std::string& name) { return AsciiLower(name); }

}  // namespace base
