// The comparison a sorted list box uses for its strings.
#pragma once

#include <string>

namespace manager {

// CompareString in the user's locale, ignoring case: negative, zero or positive.
int CompareAsListBox(const std::string& a, const std::string& b);

}  // namespace manager
