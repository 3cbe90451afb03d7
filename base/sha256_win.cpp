// SHA-256 through the system's cryptography primitives (bcrypt), for the Windows build.
#include <windows.h>

#include <bcrypt.h>

#include <limits>
#include <stdexcept>

#include "base/sha256.h"
#include "base/unique_handle_win.h"

namespace base {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// Opening the algorithm costs far more than a hash object on it, so one provider serves
// the whole process; it stays open until the process ends.
BCRYPT_ALG_HANDLE Provider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE opened = nullptr;
        if (!Succeeded(BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
            throw std::runtime_error("SHA-256 is not available");
        return opened;
    }();
    return provider;
}

// The system allocates the hash object's memory itself when given none.
HashObject NewHash() {
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!Succeeded(BCryptCreateHash(Provider(), &hash, nullptr, 0, nullptr, 0, 0)))
        throw std::runtime_error("SHA-256 is not available");
    return HashObject(hash);
}

}  // namespace

struct Sha256::State {
    HashObject hash;
};

Sha256::Sha256() : m_state(std::make_unique<State>()) { m_state->hash = NewHash(); }

Sha256::~Sha256() = default;

// The call takes at most 4 GB at a time.
void Sha256::Update(const void* data, std::size_t size) {
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG piece = size > std::numeric_limits<ULONG>::max() ? std::numeric_limits<ULONG>::max()
                                                                       : static_cast<ULONG>(size);
        if (!Succeeded(BCryptHashData(m_state->hash.Get(), bytes, piece, 0)))
            throw std::runtime_error("SHA-256 failed");
        bytes += piece;
        size -= piece;
    }
}

// A finished hash object cannot take more data, so a fresh one replaces it.
Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    const NTSTATUS status =
        BCryptFinishHash(m_state->hash.Get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
    m_state->hash.Reset();
    if (!Succeeded(status))
        throw std::runtime_error("SHA-256 failed");
    m_state->hash = NewHash();
    return digest;
}

}  // namespace base
