// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"

#include "journal/AesGcm.h"

#include <QStringDecoder>

#include <openssl/rand.h>

#include <cstring>

namespace wendle {

namespace {

static_assert(sealedNonceLength == int(AesGcm::nonceLength) && sealedTagLength == int(AesGcm::tagLength));

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

EntryKey::EntryKey(Token, std::size_t length)
    : m_bytes(length)
    , m_length(length)
    , m_cipher(std::make_unique<AesGcm>(std::span<const unsigned char>(m_bytes.data(), length)))
{
}

EntryKey::~EntryKey() = default;

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

    QByteArray body(sealedOverhead + plain.size(), Qt::Uninitialized);
    const std::span<unsigned char> out = writableByteSpan(body);
    const auto nonce = out.first<AesGcm::nonceLength>();
    if (!AesGcm::randomNonce(nonce)) {
        throw CipherError(CipherError::Kind::underlyingCoreCryptoError);
    }
    std::lock_guard lock(key.m_cipherMutex);
    if (!key.m_cipher->seal(nonce, {}, byteSpan(plain), out.subspan(sealedNonceLength))) {
        throw EntryCryptoError::malformedCiphertext();
    }
    return body;
}

QByteArray openEntryBytes(const QByteArray& body, const EntryKey& key)
{
    if (body.size() < sealedOverhead) {
        throw CipherError(CipherError::Kind::incorrectParameterSize);
    }
    requireKeySize(key);
    const std::span<const unsigned char> in = byteSpan(body);

    QByteArray plain(body.size() - sealedOverhead, Qt::Uninitialized);
    AesGcm::Opened opened = AesGcm::Opened::failure;
    {
        std::lock_guard lock(key.m_cipherMutex);
        opened = key.m_cipher->open(in.first<AesGcm::nonceLength>(), {}, in.subspan(sealedNonceLength),
                                    writableByteSpan(plain));
    }
    if (opened != AesGcm::Opened::opened) {
        wipeBytes(plain);
        throw CipherError(opened == AesGcm::Opened::failure ? CipherError::Kind::underlyingCoreCryptoError
                                                            : CipherError::Kind::authenticationFailure);
    }
    return plain;
}

QString openEntryText(const QByteArray& body, const EntryKey& key)
{
    QByteArray plain = openEntryBytes(body, key);
    WipeOnExit wipe{plain};
    return decodeEntryText(plain);
}

QString decodeEntryText(QByteArrayView utf8)
{
    // fromUtf8 would drop a leading U+FEFF, and with it something the user wrote.
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decode(utf8);
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
