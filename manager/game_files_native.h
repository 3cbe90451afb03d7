// How a name with "\" between its parts is handed to the host's file functions.
#pragma once

#include <string>

namespace manager {

std::string NativeName(const std::string& name);

}  // namespace manager
