// Progress of long work shown to the player, who may cancel it.
#pragma once

#include <cstdint>
#include <string>

namespace manager {

class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void Start(const std::string& text, std::uint64_t totalBytes) = 0;
    // False once the player asked to cancel.
    virtual bool Advance(std::uint64_t bytes) = 0;
    virtual void Finish() = 0;
};

}  // namespace manager
