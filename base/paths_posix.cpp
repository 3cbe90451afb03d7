// Name folding on the hosts the native tests run on: ASCII letters only, as their tests expect;
// these hosts have no ANSI code page for names.
#include "base/paths.h"

#include "base/text.h"

namespace base {

std::string FoldCase(const std::string& name) { return AsciiLower(name); }

std::optional<std::string> AnsiOf(const std::string&) { return std::nullopt; }

std::string FoldAnsi(const std::string& ansi) { return FoldCase(ansi); }

}  // namespace base
