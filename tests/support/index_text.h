// Editing a store index's text as a mod or a damaged disk would: its body, a line replaced,
// and a check line that matches again.
#pragma once

#include <string>

#include "base/sha256.h"

namespace testing_support {

// The lines above the check line, sealed with a check that matches them.
inline std::string Sealed(const std::string& body) {
    return body + "check\t" + base::ToHex(base::Sha256Of(body)) + "\r\n";
}

inline std::string Body(const std::string& text) { return text.substr(0, text.rfind("check\t")); }

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

}  // namespace testing_support
