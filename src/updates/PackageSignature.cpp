// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/PackageSignature.h"

#include <QCoreApplication>
#include <QFile>

#include <openssl/evp.h>

#include <memory>
#include <optional>

namespace wendle {

namespace {

constexpr qsizetype kKeyBytes = 32;
constexpr qsizetype kSignatureBytes = 64;

std::optional<QByteArray> decode(const QByteArray& base64, qsizetype expectedSize)
{
    const auto result = QByteArray::fromBase64Encoding(base64.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != expectedSize) {
        return std::nullopt;
    }
    return result.decoded;
}

} // namespace

QByteArray PackageSignature::builtInPublicKey()
{
    return QByteArrayLiteral(WENDLE_UPDATE_PUBLIC_KEY);
}

bool PackageSignature::verify(QByteArrayView data, const QByteArray& signatureBase64, const QByteArray& publicKeyBase64)
{
    const std::optional<QByteArray> key = decode(publicKeyBase64, kKeyBytes);
    const std::optional<QByteArray> signature = decode(signatureBase64, kSignatureBytes);
    if (!key || !signature) {
        return false;
    }
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key->constData()),
                                    key->size()),
        EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!publicKey || !context
        || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature->constData()),
                            signature->size(), reinterpret_cast<const unsigned char*>(data.data()), data.size())
        == 1;
}

QString PackageSignature::checkDownload(const QString& path, qint64 expectedLength, const QByteArray& signatureBase64,
                                        const QByteArray& publicKeyBase64)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QCoreApplication::translate("wendle::PackageSignature", "it could not be read back: %1.")
            .arg(file.errorString());
    }
    if (expectedLength > 0 && file.size() != expectedLength) {
        return QCoreApplication::translate("wendle::PackageSignature", "it is %1 bytes long where the feed says %2.")
            .arg(file.size())
            .arg(expectedLength);
    }
    const uchar* bytes = file.size() > 0 ? file.map(0, file.size()) : nullptr;
    const QByteArrayView data = bytes ? QByteArrayView(bytes, file.size()) : QByteArrayView();
    if ((file.size() > 0 && !bytes) || !verify(data, signatureBase64, publicKeyBase64)) {
        return QCoreApplication::translate("wendle::PackageSignature",
                                           "its signature is not Wendle's, so it may have been tampered with.");
    }
    return {};
}

} // namespace wendle
