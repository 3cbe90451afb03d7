// Writes a list file's bytes as the manager saves them, for tests that start from saved lists.
#pragma once

#include <string>
#include <vector>

#include "manager/list/list_file.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

inline void WriteListFile(const std::vector<std::string>& texts, const std::string& path) {
    WriteBytes(path, manager::EncodeList(texts, manager::kDefaultRecordSize));
}

}  // namespace testing_support
