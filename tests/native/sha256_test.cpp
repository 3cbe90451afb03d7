// SHA-256 from the platform against published test vectors, whole and fed in uneven pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/sha256.h"

namespace {

// Feeds `bytes` in pieces whose sizes cycle through `pieces` (one piece when empty).
std::string DigestInPieces(base::Sha256& hasher, const std::string& bytes, const std::vector<std::size_t>& pieces) {
    std::size_t at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
        const std::size_t size = pieces.empty() ? bytes.size() : std::min(pieces[i % pieces.size()], bytes.size() - at);
        hasher.Update(bytes.data() + at, size);
        at += size;
    }
    return base::ToHex(hasher.Finish());
}

struct Vector {
    const char* name;
    std::string bytes;
    const char* digest;
};

const std::vector<Vector>& Vectors() {
    static const std::vector<Vector> vectors = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"a million a", std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    return vectors;
}

TEST(Sha256, PublishedVectorsWholeAndInUnevenPieces) {
    const std::vector<std::vector<std::size_t>> feeds = {{}, {1}, {1, 63, 64, 65, 7, 1000, 4096, 3}, {55, 56, 57}};
    for (const Vector& vector : Vectors()) {
        for (const auto& pieces : feeds) {
            SCOPED_TRACE(std::string(vector.name) + ", " + std::to_string(pieces.size()) + " piece sizes");
            if (pieces.size() == 1 && vector.bytes.size() > 1000)
                continue;  // a million one-byte calls add nothing the other feeds do not check
            base::Sha256 hasher;
            EXPECT_EQ(DigestInPieces(hasher, vector.bytes, pieces), vector.digest);
        }
        SCOPED_TRACE(vector.name);
        EXPECT_EQ(base::ToHex(base::Sha256Of(vector.bytes)), vector.digest);
    }
}

// Finish hands back the digest and leaves the hasher ready for the next text: the store
// hashes file after file with one hasher.
TEST(Sha256, FinishStartsOverForTheNextText) {
    base::Sha256 hasher;
    hasher.Update(nullptr, 0);
    for (const Vector& vector : Vectors()) {
        SCOPED_TRACE(vector.name);
        EXPECT_EQ(DigestInPieces(hasher, vector.bytes, {4099}), vector.digest);
    }
}

}  // namespace
