// The variables this process runs with, as the batch files Grenwick starts inherit them.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace manager {

// Each "NAME=value" of the environment block, in its order, in UTF-8. The entries whose name starts
// with "=" ("=C:=C:\Games" and the like, the current folder of each drive) are left out:
// they are no variables a batch file can name.
std::vector<std::pair<std::string, std::string>> ProcessEnvironment();

}  // namespace manager
