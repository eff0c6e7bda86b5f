// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <memory>
#include <span>

namespace wendle {

/**
 * AES-256-GCM under one key: the one cipher of entry bodies and backup files. The key stays where the caller
 * keeps it (locked memory) and must outlive this object. The cipher contexts that expand it are kept for the
 * next seal or open, and reset, their key schedule wiped, when this object goes. One call at a time.
 */
class AesGcm
{
public:
    static constexpr std::size_t keyLength = 32;
    static constexpr std::size_t nonceLength = 12;
    static constexpr std::size_t tagLength = 16;

    using Nonce = std::span<const unsigned char, nonceLength>;

    enum class Opened
    {
        opened,
        /** Wrong key, or the ciphertext, its tag or the associated data was altered. */
        authenticationFailure,
        /** The cipher library failed, or the lengths given do not fit together. */
        failure,
    };

    /** Fills `nonce` from the system's cryptographic random source; false when that fails. */
    [[nodiscard]] static bool randomNonce(std::span<unsigned char, nonceLength> nonce);

    /** Seals and opens under `key`; a key that is not 32 bytes makes every call fail. */
    explicit AesGcm(std::span<const unsigned char> key);
    ~AesGcm();
    AesGcm(const AesGcm&) = delete;
    AesGcm& operator=(const AesGcm&) = delete;

    /**
     * Seals `plain` under `nonce`, authenticating `associated` with it, into `sealed`: the ciphertext (as long as
     * `plain`), then the tag. `sealed` is exactly `tagLength` longer than `plain`. False when sealing fails.
     */
    [[nodiscard]] bool seal(Nonce nonce, std::span<const unsigned char> associated,
                            std::span<const unsigned char> plain, std::span<unsigned char> sealed);

    /** Opens what `seal` wrote into `plain`, which is exactly `tagLength` shorter than `sealed`. */
    [[nodiscard]] Opened open(Nonce nonce, std::span<const unsigned char> associated,
                              std::span<const unsigned char> sealed, std::span<unsigned char> plain);

private:
    /** One direction's context, set up with the cipher on its first use. */
    struct Context;

    bool begin(Context& context, bool sealing, Nonce nonce) const;

    std::span<const unsigned char> m_key;
    std::unique_ptr<Context> m_sealing;
    std::unique_ptr<Context> m_opening;
};

/** The bytes of `bytes`, as the cipher takes them. */
inline std::span<const unsigned char> byteSpan(QByteArrayView bytes)
{
    return {reinterpret_cast<const unsigned char*>(bytes.data()), std::size_t(bytes.size())};
}

/** The bytes of `bytes`, for the cipher to write; detaches `bytes` first if it shares them. */
inline std::span<unsigned char> writableByteSpan(QByteArray& bytes)
{
    return {reinterpret_cast<unsigned char*>(bytes.data()), std::size_t(bytes.size())};
}

} // namespace wendle
