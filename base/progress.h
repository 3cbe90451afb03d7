// What long file work reports its progress to, and how the player stops it: a window's view of
// the whole work, and the count a single copy gives piece by piece.
#pragma once

#include <cstdint>
#include <string>

namespace base {

class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void Start(const std::string& text, std::uint64_t totalBytes) = 0;
    // Counts `bytes` more done; false once the player asked to stop.
    virtual bool Advance(std::uint64_t bytes) = 0;
    virtual void Finish() = 0;
};

// Told of each piece a copy has written; false cancels the copy.
class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    virtual bool Advance(std::uint64_t bytes) = 0;
};

}  // namespace base
