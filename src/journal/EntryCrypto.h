// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Keychain.h"
#include "journal/LockedBuffer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <exception>
#include <memory>
#include <mutex>

namespace wendle {

class AesGcm;

/**
 * The entry key: 32 random bytes held in locked memory. When the last reference goes, the bytes are wiped and
 * so are the cipher contexts that expanded them, so nothing of the key outlives it.
 */
class EntryKey
{
public:
    static constexpr int size = 32;

    /** A key holding `bytes` as given. A length other than 32 makes every seal and open fail. */
    static std::shared_ptr<const EntryKey> fromBytes(const QByteArray& bytes);
    /** A fresh key from the system's cryptographic random source. */
    static std::shared_ptr<const EntryKey> random();

    const unsigned char* data() const { return m_bytes.data(); }
    int length() const { return static_cast<int>(m_length); }

private:
    struct Token
    {
        explicit Token() = default;
    };

public:
    EntryKey(Token, std::size_t length);
    ~EntryKey();
    EntryKey(const EntryKey&) = delete;
    EntryKey& operator=(const EntryKey&) = delete;

private:
    friend QByteArray sealEntryText(const QString& text, const EntryKey& key);
    friend QByteArray openEntryBytes(const QByteArray& body, const EntryKey& key);

    LockedBuffer m_bytes;
    std::size_t m_length;
    mutable std::mutex m_cipherMutex;
    /** The key's own cipher, one seal or open at a time under the mutex; it goes before the bytes it expands. */
    std::unique_ptr<AesGcm> m_cipher;
};

/** Errors of the entry key's storage and of sealing. They carry no message text. */
class EntryCryptoError : public std::exception
{
public:
    enum class Kind
    {
        keychainStatus,
        malformedCiphertext
    };

    static EntryCryptoError keychainStatus(KeychainStatus status)
    {
        return EntryCryptoError(Kind::keychainStatus, status);
    }
    static EntryCryptoError malformedCiphertext()
    {
        return EntryCryptoError(Kind::malformedCiphertext, KeychainStatus::Success);
    }

    Kind kind() const { return m_kind; }
    /** The keychain status of `keychainStatus`; `Success` otherwise. */
    KeychainStatus status() const { return m_status; }
    const char* what() const noexcept override;

    bool operator==(const EntryCryptoError& other) const
    {
        return m_kind == other.m_kind && m_status == other.m_status;
    }

private:
    EntryCryptoError(Kind kind, KeychainStatus status)
        : m_kind(kind)
        , m_status(status)
    {
    }
    Kind m_kind;
    KeychainStatus m_status;
};

/** Errors of the AES-GCM cipher itself. */
class CipherError : public std::exception
{
public:
    enum class Kind
    {
        /** The body is shorter than nonce and tag together (28 bytes). */
        incorrectParameterSize,
        /** Wrong key, or the body was altered. */
        authenticationFailure,
        /** The key is not 32 bytes. */
        incorrectKeySize,
        /** The cipher library failed for another reason. */
        underlyingCoreCryptoError,
    };

    explicit CipherError(Kind kind)
        : m_kind(kind)
    {
    }
    Kind kind() const { return m_kind; }
    const char* what() const noexcept override;

private:
    Kind m_kind;
};

/** Lengths of the sealed body's parts: nonce, then ciphertext as long as the UTF-8 text, then tag. */
inline constexpr int sealedNonceLength = 12;
inline constexpr int sealedTagLength = 16;
inline constexpr int sealedOverhead = sealedNonceLength + sealedTagLength;

/**
 * Seals `text` (as UTF-8) with AES-256-GCM under `key` with a fresh random nonce and no associated data.
 * Returns nonce ‖ ciphertext ‖ tag. Throws CipherError or EntryCryptoError.
 */
QByteArray sealEntryText(const QString& text, const EntryKey& key);

/**
 * Opens a sealed body. Throws CipherError when it is too short, altered, or sealed under another key.
 * Invalid UTF-8 in the plaintext decodes to U+FFFD; that step never fails.
 */
QString openEntryText(const QByteArray& body, const EntryKey& key);

/**
 * What `openEntryText` opens, left as the UTF-8 bytes that were sealed (not checked), for a caller that writes
 * them on as UTF-8. The caller wipes them when done. Throws as `openEntryText` does.
 */
QByteArray openEntryBytes(const QByteArray& body, const EntryKey& key);

/** The text of opened UTF-8 bytes, as `openEntryText` gives it: invalid UTF-8 as U+FFFD, a leading U+FEFF kept. */
QString decodeEntryText(QByteArrayView utf8);

/** Whether `body` opens under `key`. */
[[nodiscard]] bool opensUnder(const QByteArray& body, const EntryKey& key);

} // namespace wendle
