// SHA-256 through libcrypto's digest interface, for the native build.
#include <openssl/evp.h>

#include <stdexcept>

#include "base/sha256.h"

namespace base {

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
};

namespace {

void Restart(EVP_MD_CTX* context) {
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
}

}  // namespace

Sha256::Sha256() : m_state(std::make_unique<State>()) {
    m_state->context = EVP_MD_CTX_new();
    if (!m_state->context)
        throw std::bad_alloc();
    try {
        Restart(m_state->context);
    } catch (...) {
        EVP_MD_CTX_free(m_state->context);
        throw;
    }
}

Sha256::~Sha256() { EVP_MD_CTX_free(m_state->context); }

void Sha256::Update(const void* data, std::size_t size) {
    if (size > 0 && EVP_DigestUpdate(m_state->context, data, size) != 1)
        throw std::runtime_error("SHA-256 failed");
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(m_state->context, digest.data(), &size) != 1 || size != digest.size())
        throw std::runtime_error("SHA-256 failed");
    Restart(m_state->context);
    return digest;
}

}  // namespace base
