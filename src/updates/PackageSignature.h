// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace wendle {

/**
 * Ed25519 signatures of downloaded releases, as update feeds carry them: the signature and the public key are
 * base64 text (64 and 32 bytes once decoded) and the signature covers the whole file.
 */
namespace PackageSignature {

/** Wendle's release signing key, built in. */
QByteArray builtInPublicKey();

/** True only when `signature` is a valid signature of `data` by `publicKey`; malformed input is false. */
[[nodiscard]] bool verify(QByteArrayView data, const QByteArray& signatureBase64, const QByteArray& publicKeyBase64);

/**
 * What is wrong with the downloaded file at `path`, as a sentence to finish "The download was deleted: ";
 * empty when it is `expectedLength` bytes long (when that is known, above 0) and signed by `publicKey`.
 */
[[nodiscard]] QString checkDownload(const QString& path, qint64 expectedLength, const QByteArray& signatureBase64,
                                    const QByteArray& publicKeyBase64);

} // namespace PackageSignature

} // namespace wendle
