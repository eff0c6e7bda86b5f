// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a sealed body, and any bytes as sealed plaintext: opening either gives text or throws, never
// crashes, never reads out of bounds, and valid UTF-8 comes back as it went in.
#include "journal/EntryCrypto.h"

#include <QUtf8StringView>

#include <openssl/evp.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>

namespace {

constexpr unsigned char kNonce[wendle::sealedNonceLength] = {};

/** Seals `plain` as the journal does, under `key`: nonce ‖ ciphertext ‖ tag. Empty when OpenSSL fails. */
QByteArray sealBytes(const QByteArray& plain, const wendle::EntryKey& key)
{
    const int length = static_cast<int>(plain.size());
    QByteArray body(wendle::sealedOverhead + length, '\0');
    auto* out = reinterpret_cast<unsigned char*>(body.data());
    std::copy(std::begin(kNonce), std::end(kNonce), out);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int written = 0;
    int finalWritten = 0;
    const bool sealed = context
        && EVP_EncryptInit_ex2(context.get(), EVP_aes_256_gcm(), key.data(), kNonce, nullptr) == 1
        && EVP_EncryptUpdate(context.get(), out + wendle::sealedNonceLength, &written,
                             reinterpret_cast<const unsigned char*>(plain.constData()), length)
            == 1
        && EVP_EncryptFinal_ex(context.get(), out + wendle::sealedNonceLength + written, &finalWritten) == 1
        && EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, wendle::sealedTagLength,
                               out + wendle::sealedNonceLength + length)
            == 1;
    return sealed ? body : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A fixed key, so that inputs sealed under it open and reach the decoder.
    static const std::shared_ptr<const wendle::EntryKey> key = wendle::EntryKey::fromBytes(QByteArray(32, '\x5a'));
    if (size == 0) {
        return 0;
    }
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    // The first byte chooses: the rest as a body as it is, or the rest sealed first as plaintext.
    if ((data[0] & 1) == 0) {
        try {
            wendle::openEntryText(rest, *key);
        } catch (const std::exception&) {
        }
        return 0;
    }
    const QByteArray body = sealBytes(rest, *key);
    if (body.isEmpty()) {
        std::abort();
    }
    const QString text = wendle::openEntryText(body, *key);
    if (QUtf8StringView(rest).isValidUtf8() && text.toUtf8() != rest) {
        std::abort();
    }
    return 0;
}
