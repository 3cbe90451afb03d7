// The SHA-256 helpers that are the same on every platform: a whole text's digest and its hex.
#include "base/sha256.h"

namespace base {

Sha256Digest Sha256Of(const std::string& bytes) {
    Sha256 hasher;
    hasher.Update(bytes.data(), bytes.size());
    return hasher.Finish();
}

std::string ToHex(const Sha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

}  // namespace base
