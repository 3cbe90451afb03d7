// An owning std::FILE pointer for the portable core.
#pragma once

#include <cstdio>
#include <memory>

namespace batchfile {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace batchfile
