// Small text helpers every test file shares.
#pragma once

#include <string>
#include <vector>

using Strings = std::vector<std::string>;

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
