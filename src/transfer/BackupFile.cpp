// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/BackupFile.h"

#include "journal/AesGcm.h"
#include "journal/EntryCrypto.h"
#include "journal/LockedBuffer.h"
#include "transfer/BackupPayload.h"
#include "transfer/BackupPayloadCheck.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <cstring>
#include <memory>

namespace wendle {

namespace {

constexpr quint16 formatVersion = 2;
constexpr quint8 scryptKdf = 1;
constexpr quint8 journalKeyKdf = 2;
constexpr int magicLength = 8;
constexpr int saltLength = 16;
constexpr int checkLength = 32;
constexpr int nonceLength = int(AesGcm::nonceLength);
constexpr int tagLength = int(AesGcm::tagLength);
constexpr int headerFieldsLength = magicLength + 2 + 1 + 1 + 4 + 4 + saltLength + checkLength + nonceLength + 8;
constexpr int headerHashLength = 32;
constexpr int headerLength = headerFieldsLength + headerHashLength;
static_assert(headerLength == backupHeaderLength);

int headerLengthOf(quint16 version)
{
    return version >= 2 ? headerLength : headerFieldsLength;
}

QByteArray sha256(const unsigned char* bytes, std::size_t length)
{
    QByteArray digest(32, '\0');
    unsigned int written = 0;
    const bool ok
        = EVP_Digest(bytes, length, reinterpret_cast<unsigned char*>(digest.data()), &written, EVP_sha256(), nullptr)
        == 1;
    return ok ? digest : QByteArray();
}
constexpr int derivedLength = int(backupDerivedLength);

// A header asking for more than these is refused before any work, so a crafted file cannot demand gigabytes or
// minutes: memory (128·r·N bytes) up to twice, and work (N·r·p) up to four times what Wendle's own backups use.
constexpr int minLog2N = 10;
constexpr int maxLog2N = 21;
constexpr quint64 maxScryptMemory = quint64(256) << 20;
constexpr quint64 maxScryptWork = quint64(1) << 22;

bool affordable(const ScryptParameters& parameters)
{
    if (parameters.log2N < minLog2N || parameters.log2N > maxLog2N || parameters.r == 0 || parameters.p == 0) {
        return false;
    }
    const quint64 blocks = (quint64(1) << parameters.log2N) * parameters.r;
    return 128 * blocks <= maxScryptMemory && blocks * parameters.p <= maxScryptWork;
}

QByteArray headerBytes(const BackupHeader& header)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out.writeRawData(backupMagic, magicLength);
    if (header.seal == BackupSeal::journalKey) {
        out << formatVersion << journalKeyKdf << quint8(0) << quint32(0) << quint32(0);
    } else {
        out << formatVersion << scryptKdf << quint8(header.parameters.log2N) << header.parameters.r
            << header.parameters.p;
    }
    out.writeRawData(header.salt.constData(), saltLength);
    out.writeRawData(header.check.constData(), checkLength);
    out.writeRawData(header.nonce.constData(), nonceLength);
    out << quint64(header.payloadLength);
    return bytes + sha256(reinterpret_cast<const unsigned char*>(bytes.constData()), std::size_t(bytes.size()));
}

bool derive(const Passphrase& passphrase, const QByteArray& salt, const ScryptParameters& parameters,
            LockedBuffer& derived)
{
    EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "SCRYPT", nullptr);
    if (!kdf) {
        return false;
    }
    EVP_KDF_CTX* context = EVP_KDF_CTX_new(kdf);
    EVP_KDF_free(kdf);
    if (!context) {
        return false;
    }
    const LockedBuffer& secret = passphrase.bytes();
    uint64_t n = uint64_t(1) << parameters.log2N;
    uint32_t r = parameters.r;
    uint32_t p = parameters.p;
    uint64_t maxMemory = 2 * 128 * uint64_t(r) * n * p + (uint64_t(1) << 24);
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD, const_cast<unsigned char*>(secret.data()),
                                          secret.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, const_cast<char*>(salt.constData()),
                                          size_t(salt.size())),
        OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &n),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &r),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &p),
        OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_MAXMEM, &maxMemory),
        OSSL_PARAM_construct_end(),
    };
    const bool ok = EVP_KDF_derive(context, derived.data(), derived.size(), params) == 1;
    EVP_KDF_CTX_free(context);
    return ok;
}

} // namespace

// The entry key is already random: HKDF only separates the snapshot's key from the key the bodies are sealed with.
bool deriveSnapshotBytes(const EntryKey& key, const QByteArray& salt, LockedBuffer& derived)
{
    EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
    if (!kdf) {
        return false;
    }
    EVP_KDF_CTX* context = EVP_KDF_CTX_new(kdf);
    EVP_KDF_free(kdf);
    if (!context) {
        return false;
    }
    static const char info[] = "wendle snapshot";
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, const_cast<unsigned char*>(key.data()),
                                          std::size_t(key.length())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, const_cast<char*>(salt.constData()),
                                          size_t(salt.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, const_cast<char*>(info), sizeof info - 1),
        OSSL_PARAM_construct_end(),
    };
    const bool ok = EVP_KDF_derive(context, derived.data(), derived.size(), params) == 1;
    EVP_KDF_CTX_free(context);
    return ok;
}

namespace {

QByteArray passphraseCheck(const LockedBuffer& derived)
{
    return sha256(derived.data() + 32, derivedLength - 32);
}

// The cipher key is the first half of the derived bytes; the passphrase check is made from the second.
AesGcm payloadCipher(const LockedBuffer& derived)
{
    return AesGcm(std::span<const unsigned char>(derived.data(), AesGcm::keyLength));
}

AesGcm::Nonce nonceOf(const QByteArray& nonce)
{
    return AesGcm::Nonce(byteSpan(nonce).first<AesGcm::nonceLength>());
}

// The payload of `contents`, after room for the header: the buffer `sealInPlace` takes.
QByteArray payloadOf(const BackupContents& contents)
{
    BackupPayloadWriter writer(headerLength);
    for (const BackupDisplacedBody& body : contents.displaced) {
        writer.addDisplaced(body);
    }
    for (const BackupRecord& entry : contents.entries) {
        writer.addEntry(entry);
    }
    for (const BackupVersion& version : contents.versions) {
        writer.addVersion(version);
    }
    return writer.finish();
}

// Seals the payload in `file` (after the header's room) under the key in `derived`, in place, so the plain text
// is never copied; writes the header with its check, nonce and payload length, and the tag. Empty when the
// cipher library fails; the plain text is wiped either way.
QByteArray sealInPlace(QByteArray file, BackupHeader header, const LockedBuffer& derived)
{
    const qsizetype payloadLength = file.size() - headerLength;
    header.nonce.resize(nonceLength);
    header.check = passphraseCheck(derived);
    if (payloadLength < 0 || header.check.isEmpty()
        || !AesGcm::randomNonce(writableByteSpan(header.nonce).first<AesGcm::nonceLength>())) {
        wipeBytes(file);
        return {};
    }
    header.payloadLength = quint64(payloadLength);
    const QByteArray aad = headerBytes(header);
    std::memcpy(file.data(), aad.constData(), std::size_t(headerLength));
    // The writer left room for the tag, so this moves nothing.
    file.resize(headerLength + payloadLength + tagLength);
    const auto plain = std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(file.constData()),
                                                      std::size_t(file.size()))
                           .subspan(headerLength, std::size_t(payloadLength));
    if (!payloadCipher(derived).seal(nonceOf(header.nonce), byteSpan(aad), plain,
                                     writableByteSpan(file).subspan(headerLength))) {
        wipeBytes(file);
        return {};
    }
    return file;
}

// The plain payload of `file` when it opens under `derived` whole; nothing when the check or the seal fails.
std::optional<QByteArray> openPayload(const QByteArray& file, const BackupHeader& header, const LockedBuffer& derived)
{
    if (passphraseCheck(derived) != header.check) {
        return std::nullopt;
    }
    QByteArray payload(qint64(header.payloadLength), Qt::Uninitialized);
    const AesGcm::Opened opened
        = payloadCipher(derived).open(nonceOf(header.nonce), byteSpan(file).first(header.length),
                                      byteSpan(file).subspan(header.length), writableByteSpan(payload));
    if (opened != AesGcm::Opened::opened) {
        wipeBytes(payload);
        return std::nullopt;
    }
    return payload;
}

QByteArray randomSalt()
{
    QByteArray salt(saltLength, '\0');
    return RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), saltLength) == 1 ? salt : QByteArray();
}

} // namespace

Passphrase::Passphrase(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    auto bytes = std::make_shared<LockedBuffer>(std::size_t(utf8.size()));
    if (!utf8.isEmpty()) {
        std::memcpy(bytes->data(), utf8.constData(), std::size_t(utf8.size()));
    }
    wipeBytes(utf8);
    m_bytes = std::move(bytes);
}

std::optional<BackupContents> backupContentsFromPayload(const QByteArray& payload)
{
    const QJsonDocument document = QJsonDocument::fromJson(payload);
    if (!document.isObject()) {
        return std::nullopt;
    }
    BackupContents contents;
    const QJsonArray entries = document.object().value(QStringLiteral("entries")).toArray();
    contents.entries.reserve(std::size_t(entries.size()));
    for (const QJsonValue& value : entries) {
        const QJsonObject object = value.toObject();
        BackupRecord backedUp{EntryRecord::fromJsonFields(object), {}};
        backedUp.record.date
            = QDateTime::fromMSecsSinceEpoch(object.value(QStringLiteral("date")).toInteger(), Qt::UTC);
        if (object.contains(QStringLiteral("text"))) {
            backedUp.record.text = object.value(QStringLiteral("text")).toString();
        } else {
            backedUp.sealedBody = QByteArray::fromBase64(object.value(QStringLiteral("sealed")).toString().toLatin1());
        }
        contents.entries.push_back(std::move(backedUp));
    }
    for (const QJsonValue& value : document.object().value(QStringLiteral("displaced")).toArray()) {
        const QJsonObject object = value.toObject();
        const int index = object.value(QStringLiteral("entry")).toInt(-1);
        if (index < 0 || index >= int(contents.entries.size())) {
            return std::nullopt;
        }
        contents.displaced.push_back(
            {index, QByteArray::fromBase64(object.value(QStringLiteral("sealed")).toString().toLatin1()),
             QDateTime::fromMSecsSinceEpoch(object.value(QStringLiteral("at")).toInteger(), Qt::UTC)});
    }
    for (const QJsonValue& value : document.object().value(QStringLiteral("versions")).toArray()) {
        const QJsonObject object = value.toObject();
        const int index = object.value(QStringLiteral("entry")).toInt(-1);
        if (index < 0 || index >= int(contents.entries.size())) {
            return std::nullopt;
        }
        BackupVersion version{index,
                              std::nullopt,
                              {},
                              QDateTime::fromMSecsSinceEpoch(object.value(QStringLiteral("at")).toInteger(), Qt::UTC),
                              object.value(QStringLiteral("words")).toInteger()};
        if (object.contains(QStringLiteral("text"))) {
            version.text = object.value(QStringLiteral("text")).toString();
        } else {
            version.sealedBody = QByteArray::fromBase64(object.value(QStringLiteral("sealed")).toString().toLatin1());
        }
        contents.versions.push_back(std::move(version));
    }
    return contents;
}

BackupCounts BackupContents::counts() const
{
    return {qsizetype(entries.size()), qsizetype(displaced.size()), qsizetype(versions.size())};
}

QString backupErrorMessage(BackupError error)
{
    switch (error) {
    case BackupError::notABackup:
        return QCoreApplication::translate("wendle::BackupFile", "This file is not a Wendle backup.");
    case BackupError::newerVersion:
        return QCoreApplication::translate(
            "wendle::BackupFile", "This backup was made by a newer version of Wendle. Update Wendle to restore it.");
    case BackupError::truncated:
        return QCoreApplication::translate("wendle::BackupFile",
                                           "This backup is incomplete: the file ends before its contents do.");
    case BackupError::wrongPassphrase:
        return QCoreApplication::translate("wendle::BackupFile",
                                           "That is not the passphrase this backup was made with.");
    case BackupError::damaged:
        return QCoreApplication::translate("wendle::BackupFile",
                                           "This backup is damaged: its contents no longer match their seal.");
    case BackupError::cryptoFailure:
        return QCoreApplication::translate("wendle::BackupFile",
                                           "The backup could not be opened: the system's cryptography failed.");
    case BackupError::sealedWithJournalKey:
        return QCoreApplication::translate("wendle::BackupFile",
                                           "This file is a snapshot: open it with \u201cRestore from snapshot\u201d.");
    case BackupError::sealedWithPassphrase:
        return QCoreApplication::translate(
            "wendle::BackupFile",
            "This file is a backup made with a passphrase: open it with \u201cRestore from "
            "backup\u201d.");
    case BackupError::wrongKey:
        return QCoreApplication::translate("wendle::BackupFile",
                                           "This snapshot was sealed with another key than this journal's.");
    }
    return {};
}

QByteArray encodeBackup(const BackupContents& contents, const Passphrase& passphrase,
                        const ScryptParameters& parameters)
{
    BackupHeader header;
    header.parameters = parameters;
    header.salt = randomSalt();
    LockedBuffer derived(derivedLength);
    if (header.salt.isEmpty() || !derive(passphrase, header.salt, parameters, derived)) {
        return {};
    }
    return sealInPlace(payloadOf(contents), std::move(header), derived);
}

QByteArray encodeSnapshot(const BackupContents& contents, const EntryKey& key)
{
    const QByteArray salt = randomSalt();
    LockedBuffer derived(derivedLength);
    QByteArray payload = payloadOf(contents);
    if (salt.isEmpty() || !deriveSnapshotBytes(key, salt, derived)) {
        wipeBytes(payload);
        return {};
    }
    return sealSnapshot(std::move(payload), salt, derived);
}

QByteArray backupSalt()
{
    return randomSalt();
}

QByteArray sealSnapshot(QByteArray payload, const QByteArray& salt, const LockedBuffer& derived)
{
    BackupHeader header;
    header.seal = BackupSeal::journalKey;
    header.salt = salt;
    return sealInPlace(std::move(payload), std::move(header), derived);
}

std::optional<BackupCounts> countBackup(QByteArray file, const BackupHeader& header, const LockedBuffer& derived)
{
    if (passphraseCheck(derived) != header.check) {
        return std::nullopt;
    }
    // Opened where it lies, after the header it is authenticated with: the bytes are this call's own.
    const qsizetype payloadLength = qsizetype(header.payloadLength);
    auto* bytes = reinterpret_cast<unsigned char*>(file.data());
    const AesGcm::Opened opened = payloadCipher(derived).open(
        nonceOf(header.nonce), std::span<const unsigned char>(bytes, std::size_t(header.length)),
        std::span<const unsigned char>(bytes + header.length, std::size_t(payloadLength) + tagLength),
        std::span<unsigned char>(bytes + header.length, std::size_t(payloadLength)));
    std::optional<BackupCounts> counts;
    if (opened == AesGcm::Opened::opened) {
        counts = countWrittenPayload(QByteArrayView(file).sliced(header.length, payloadLength));
    }
    wipeBytes(file);
    return counts;
}

BackupHeaderResult readBackupHeader(const QByteArray& file)
{
    if (file.size() < magicLength || std::memcmp(file.constData(), backupMagic, magicLength) != 0) {
        return {std::nullopt, BackupError::notABackup};
    }
    if (file.size() < headerFieldsLength) {
        return {std::nullopt, BackupError::truncated};
    }
    QDataStream in(file);
    in.setByteOrder(QDataStream::BigEndian);
    in.skipRawData(magicLength);
    quint16 version = 0;
    quint8 kdf = 0;
    quint8 log2N = 0;
    BackupHeader header;
    in >> version >> kdf >> log2N >> header.parameters.r >> header.parameters.p;
    header.parameters.log2N = log2N;
    if (version > formatVersion || (kdf != scryptKdf && kdf != journalKeyKdf)) {
        return {std::nullopt, BackupError::newerVersion};
    }
    header.seal = kdf == journalKeyKdf ? BackupSeal::journalKey : BackupSeal::passphrase;
    header.length = headerLengthOf(version);
    if (file.size() < header.length) {
        return {std::nullopt, BackupError::truncated};
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.constData());
    if (version < 1
        || (version >= 2 && sha256(bytes, headerFieldsLength) != file.mid(headerFieldsLength, headerHashLength))
        || (header.seal == BackupSeal::passphrase && !affordable(header.parameters))) {
        return {std::nullopt, BackupError::damaged};
    }
    header.salt = file.mid(in.device()->pos(), saltLength);
    header.check = file.mid(in.device()->pos() + saltLength, checkLength);
    header.nonce = file.mid(in.device()->pos() + saltLength + checkLength, nonceLength);
    in.skipRawData(saltLength + checkLength + nonceLength);
    in >> header.payloadLength;
    if (header.payloadLength > quint64(file.size())) {
        return {std::nullopt, BackupError::truncated};
    }
    const qint64 payloadLength = qint64(header.payloadLength);
    if (file.size() < header.length + payloadLength + tagLength) {
        return {std::nullopt, BackupError::truncated};
    }
    if (file.size() > header.length + payloadLength + tagLength) {
        return {std::nullopt, BackupError::damaged};
    }
    return {std::move(header), BackupError::damaged};
}

BackupReadResult decodeBackup(const QByteArray& file, const Passphrase& passphrase)
{
    const BackupHeaderResult read = readBackupHeader(file);
    if (!read.header) {
        return {std::nullopt, read.error};
    }
    if (read.header->seal != BackupSeal::passphrase) {
        return {std::nullopt, BackupError::sealedWithJournalKey};
    }
    LockedBuffer derived(derivedLength);
    if (!derive(passphrase, read.header->salt, read.header->parameters, derived)) {
        return {std::nullopt, BackupError::cryptoFailure};
    }
    return openBackup(file, *read.header, derived);
}

BackupReadResult decodeSnapshot(const QByteArray& file, const EntryKey& key)
{
    const BackupHeaderResult read = readBackupHeader(file);
    if (!read.header) {
        return {std::nullopt, read.error};
    }
    if (read.header->seal != BackupSeal::journalKey) {
        return {std::nullopt, BackupError::sealedWithPassphrase};
    }
    LockedBuffer derived(derivedLength);
    if (!deriveSnapshotBytes(key, read.header->salt, derived)) {
        return {std::nullopt, BackupError::cryptoFailure};
    }
    BackupReadResult opened = openBackup(file, *read.header, derived);
    if (opened.error == BackupError::wrongPassphrase) {
        opened.error = BackupError::wrongKey;
    }
    return opened;
}

BackupReadResult openBackup(const QByteArray& file, const BackupHeader& header, const LockedBuffer& derived)
{
    if (passphraseCheck(derived) != header.check) {
        return {std::nullopt, BackupError::wrongPassphrase};
    }
    std::optional<QByteArray> payload = openPayload(file, header, derived);
    if (!payload) {
        return {std::nullopt, BackupError::damaged};
    }
    std::optional<BackupContents> contents = backupContentsFromPayload(*payload);
    wipeBytes(*payload);
    if (!contents) {
        return {std::nullopt, BackupError::damaged};
    }
    return {std::move(contents), BackupError::damaged};
}

} // namespace wendle
