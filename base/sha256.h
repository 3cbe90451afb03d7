// SHA-256 digests from the platform's own implementation, fed in pieces of any size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace base {

using Sha256Digest = std::array<std::uint8_t, 32>;

// One digest at a time: Update any number of times, then Finish once, after which the
// hasher starts over. The platform refusing to hash is unexpected and throws.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, std::size_t size);
    Sha256Digest Finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The digest of a whole text in one call.
Sha256Digest Sha256Of(const std::string& bytes);

// 64 lowercase hex digits.
std::string ToHex(const Sha256Digest& digest);

}  // namespace base
