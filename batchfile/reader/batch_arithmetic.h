// Integer arithmetic of "set /a".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace batchfile {

// Runs each comma-separated expression of `text`; returns the assignments in order, a value
// that cannot be worked out (unknown input, division by zero, bad syntax) as nothing.
std::vector<std::pair<std::string, std::optional<std::int32_t>>> Arithmetic(
    const std::string& text, const std::function<std::string(const std::string&)>& lookup);

}  // namespace batchfile
