// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/AesGcm.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

namespace wendle {

namespace {

struct ContextDeleter
{
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

const EVP_CIPHER* aes256Gcm()
{
    // Fetched once: the implicit lookup behind EVP_aes_256_gcm() costs a provider search on every call.
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    return cipher;
}

// EVP counts in int.
bool fitsInt(std::size_t length)
{
    return length <= std::size_t(INT_MAX);
}

} // namespace

struct AesGcm::Context
{
    std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> context{EVP_CIPHER_CTX_new()};
    bool initialised = false;

    ~Context()
    {
        // Freeing resets it too; said outright because the expanded key schedule must not outlive the key.
        EVP_CIPHER_CTX_reset(context.get());
    }
};

bool AesGcm::randomNonce(std::span<unsigned char, nonceLength> nonce)
{
    return RAND_bytes(nonce.data(), int(nonce.size())) == 1;
}

AesGcm::AesGcm(std::span<const unsigned char> key)
    : m_key(key)
    , m_sealing(std::make_unique<Context>())
    , m_opening(std::make_unique<Context>())
{
}

AesGcm::~AesGcm() = default;

bool AesGcm::begin(Context& context, bool sealing, Nonce nonce) const
{
    if (!context.context || !aes256Gcm() || m_key.size() != keyLength) {
        return false;
    }
    // The cipher is given only the first time; later calls pass only the key and nonce, which spares OpenSSL a
    // provider look-up and a context reset on every seal and open.
    const EVP_CIPHER* cipher = context.initialised ? nullptr : aes256Gcm();
    context.initialised
        = (sealing ? EVP_EncryptInit_ex2(context.context.get(), cipher, m_key.data(), nonce.data(), nullptr)
                   : EVP_DecryptInit_ex2(context.context.get(), cipher, m_key.data(), nonce.data(), nullptr))
        == 1;
    return context.initialised;
}

bool AesGcm::seal(Nonce nonce, std::span<const unsigned char> associated, std::span<const unsigned char> plain,
                  std::span<unsigned char> sealed)
{
    if (sealed.size() != plain.size() + tagLength || !fitsInt(plain.size()) || !fitsInt(associated.size())) {
        return false;
    }
    EVP_CIPHER_CTX* context = m_sealing->context.get();
    int written = 0;
    int finalWritten = 0;
    return begin(*m_sealing, true, nonce)
        && (associated.empty()
            || EVP_EncryptUpdate(context, nullptr, &written, associated.data(), int(associated.size())) == 1)
        && EVP_EncryptUpdate(context, sealed.data(), &written, plain.data(), int(plain.size())) == 1
        && EVP_EncryptFinal_ex(context, sealed.data() + written, &finalWritten) == 1
        && std::size_t(written) + std::size_t(finalWritten) == plain.size()
        && EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, int(tagLength), sealed.data() + plain.size()) == 1;
}

AesGcm::Opened AesGcm::open(Nonce nonce, std::span<const unsigned char> associated,
                            std::span<const unsigned char> sealed, std::span<unsigned char> plain)
{
    if (sealed.size() < tagLength || plain.size() != sealed.size() - tagLength || !fitsInt(plain.size())
        || !fitsInt(associated.size())) {
        return Opened::failure;
    }
    EVP_CIPHER_CTX* context = m_opening->context.get();
    int written = 0;
    int finalWritten = 0;
    if (!begin(*m_opening, false, nonce)
        || (!associated.empty()
            && EVP_DecryptUpdate(context, nullptr, &written, associated.data(), int(associated.size())) != 1)
        || EVP_DecryptUpdate(context, plain.data(), &written, sealed.data(), int(plain.size())) != 1
        || EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, int(tagLength),
                               const_cast<unsigned char*>(sealed.data() + plain.size()))
            != 1) {
        return Opened::failure;
    }
    if (EVP_DecryptFinal_ex(context, plain.data() + written, &finalWritten) != 1) {
        return Opened::authenticationFailure;
    }
    return Opened::opened;
}

} // namespace wendle
