// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"

#include <QStringDecoder>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>

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

bool ready(EVP_CIPHER_CTX* context, bool& initialised, bool sealing, const unsigned char* key,
           const unsigned char* nonce)
{
    // The cipher is given only the first time; later calls pass only the key and nonce, which spares OpenSSL a
    // provider look-up and a context reset on every seal and open.
    const EVP_CIPHER* cipher = initialised ? nullptr : aes256Gcm();
    initialised = (sealing ? EVP_EncryptInit_ex2(context, cipher, key, nonce, nullptr)
                           : EVP_DecryptInit_ex2(context, cipher, key, nonce, nullptr))
        == 1;
    return initialised;
}

void requireKeySize(const EntryKey& key)
{
    if (key.length() != EntryKey::size) {
        throw CipherError(CipherError::Kind::incorrectKeySize);
    }
}

// Clears a temporary plaintext copy so no entry text outlives the call in freed heap memory.
struct WipeOnExit
{
    QByteArray& bytes;
    ~WipeOnExit() { wipeBytes(bytes); }
};

} // namespace

// Contexts of the key's own: they hold its expanded schedule, so they must go when the key goes.
struct EntryKey::Contexts
{
    std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> sealing{EVP_CIPHER_CTX_new()};
    std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> opening{EVP_CIPHER_CTX_new()};
    bool sealingReady = false;
    bool openingReady = false;
};

EntryKey::EntryKey(Token, std::size_t length)
    : m_bytes(length)
    , m_length(length)
    , m_contexts(std::make_unique<Contexts>())
{
}

EntryKey::~EntryKey()
{
    // Freeing resets them too; said outright because the expanded key schedule must not outlive the key.
    EVP_CIPHER_CTX_reset(m_contexts->sealing.get());
    EVP_CIPHER_CTX_reset(m_contexts->opening.get());
}

std::shared_ptr<const EntryKey> EntryKey::fromBytes(const QByteArray& bytes)
{
    auto key = std::make_shared<EntryKey>(Token(), static_cast<std::size_t>(bytes.size()));
    std::memcpy(key->m_bytes.data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return key;
}

std::shared_ptr<const EntryKey> EntryKey::random()
{
    auto key = std::make_shared<EntryKey>(Token(), static_cast<std::size_t>(size));
    if (RAND_priv_bytes(key->m_bytes.data(), size) != 1) {
        throw CipherError(CipherError::Kind::underlyingCoreCryptoError);
    }
    return key;
}

const char* EntryCryptoError::what() const noexcept
{
    return m_kind == Kind::keychainStatus ? "keychainStatus" : "malformedCiphertext";
}

const char* CipherError::what() const noexcept
{
    switch (m_kind) {
    case Kind::incorrectParameterSize:
        return "incorrectParameterSize";
    case Kind::authenticationFailure:
        return "authenticationFailure";
    case Kind::incorrectKeySize:
        return "incorrectKeySize";
    case Kind::underlyingCoreCryptoError:
        break;
    }
    return "underlyingCoreCryptoError";
}

QByteArray sealEntryText(const QString& text, const EntryKey& key)
{
    requireKeySize(key);
    QByteArray plain = text.toUtf8();
    WipeOnExit wipe{plain};
    const int length = static_cast<int>(plain.size());

    QByteArray body(sealedOverhead + length, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(body.data());
    if (RAND_bytes(out, sealedNonceLength) != 1) {
        throw CipherError(CipherError::Kind::underlyingCoreCryptoError);
    }

    std::lock_guard lock(key.m_contextsMutex);
    EntryKey::Contexts& contexts = *key.m_contexts;
    EVP_CIPHER_CTX* context = contexts.sealing.get();
    if (!context || !aes256Gcm()) {
        throw CipherError(CipherError::Kind::underlyingCoreCryptoError);
    }
    int written = 0;
    int finalWritten = 0;
    const bool sealed = ready(context, contexts.sealingReady, true, key.data(), out)
        && EVP_EncryptUpdate(context, out + sealedNonceLength, &written,
                             reinterpret_cast<const unsigned char*>(plain.constData()), length)
            == 1
        && EVP_EncryptFinal_ex(context, out + sealedNonceLength + written, &finalWritten) == 1
        && written + finalWritten == length
        && EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, sealedTagLength, out + sealedNonceLength + length) == 1;
    if (!sealed) {
        throw EntryCryptoError::malformedCiphertext();
    }
    return body;
}

QString openEntryText(const QByteArray& body, const EntryKey& key)
{
    if (body.size() < sealedOverhead) {
        throw CipherError(CipherError::Kind::incorrectParameterSize);
    }
    requireKeySize(key);
    const auto* in = reinterpret_cast<const unsigned char*>(body.constData());
    const int length = static_cast<int>(body.size()) - sealedOverhead;

    QByteArray plain(length, Qt::Uninitialized);
    WipeOnExit wipe{plain};
    std::lock_guard lock(key.m_contextsMutex);
    EntryKey::Contexts& contexts = *key.m_contexts;
    EVP_CIPHER_CTX* context = contexts.opening.get();
    if (!context || !aes256Gcm()) {
        throw CipherError(CipherError::Kind::underlyingCoreCryptoError);
    }
    int written = 0;
    int finalWritten = 0;
    if (!ready(context, contexts.openingReady, false, key.data(), in)
        || EVP_DecryptUpdate(context, reinterpret_cast<unsigned char*>(plain.data()), &written, in + sealedNonceLength,
                             length)
            != 1
        || EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, sealedTagLength,
                               const_cast<unsigned char*>(in + sealedNonceLength + length))
            != 1) {
        throw CipherError(CipherError::Kind::underlyingCoreCryptoError);
    }
    if (EVP_DecryptFinal_ex(context, reinterpret_cast<unsigned char*>(plain.data()) + written, &finalWritten) != 1) {
        throw CipherError(CipherError::Kind::authenticationFailure);
    }
    // fromUtf8 would drop a leading U+FEFF, and with it something the user wrote.
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decode(plain);
}

bool opensUnder(const QByteArray& body, const EntryKey& key)
{
    try {
        openEntryText(body, key);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace wendle
