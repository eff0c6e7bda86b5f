// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/SnapshotWriter.h"

#include "journal/AesGcm.h"
#include "journal/EntryCrypto.h"
#include "journal/LockedBuffer.h"
#include "journal/SealedJournalReader.h"
#include "journal/SnapshotFolder.h"
#include "journal/SnapshotThinning.h"
#include "transfer/BackupPayload.h"
#include "transfer/JournalBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>

#include <algorithm>

namespace wendle {

namespace {

bool makeFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    // Private like the journal's own folder: a snapshot says when the user wrote, even sealed.
    return QDir().mkpath(folder)
        && QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString diskFull()
{
    //: Why the last snapshot failed, in a few words.
    return QCoreApplication::translate("wendle::SnapshotWriter", "the disk is full");
}

/** The reason a write into `folder` of `bytes` failed, as the user can act on it. */
QString writeProblem(const QString& folder, qint64 bytes, const FreeSpace& freeSpace)
{
    if (!QFileInfo(folder).isWritable()) {
        //: Why the last snapshot failed, in a few words.
        return QCoreApplication::translate("wendle::SnapshotWriter", "the folder is not writable");
    }
    const qint64 free = freeSpace(folder);
    if (free >= 0 && free < bytes) {
        return diskFull();
    }
    return QCoreApplication::translate("wendle::SnapshotWriter", "the file could not be written");
}

void removeUnfinished(const QDir& folder)
{
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (SnapshotFolder::isUnfinished(name)) {
            QFile::remove(folder.filePath(name));
        }
    }
}

void thin(const QDir& folder, QDate written)
{
    const std::vector<QDate> kept = SnapshotThinning::kept(SnapshotFolder::days(folder.path()));
    for (QDate day : SnapshotFolder::days(folder.path())) {
        if (day != written && std::find(kept.begin(), kept.end(), day) == kept.end()) {
            QFile::remove(folder.filePath(SnapshotFolder::fileName(day)));
        }
    }
}

/** The UTF-8 sealed in `body` under `key`, or nothing: a body that does not open is carried sealed. */
std::optional<QByteArray> openedBytes(const QByteArray& body, const EntryKey& key)
{
    try {
        return openEntryBytes(body, key);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

/** The payload of the journal at `reader`, its texts opened with `key`. */
struct Payload
{
    QByteArray bytes;
    BackupCounts counts;
    /** Whether the journal was read whole: not when it failed, nor when the key was taken back. */
    bool read = false;
};

Payload buildPayload(SealedJournalReader& reader, const SnapshotKey& key, qint64 expectedBytes)
{
    Payload payload;
    BackupPayloadWriter writer(backupHeaderLength, expectedBytes);
    // The payload names entries by their place in it, which the bodies kept aside (few, and first) need before the
    // entries are read.
    std::vector<SealedJournalReader::BodyRow> displaced;
    if (!reader.readDisplaced([&](SealedJournalReader::BodyRow& row) {
            displaced.push_back(row);
            // Kept past the visit: a copy of its own.
            displaced.back().cipherBody.detach();
            return true;
        })) {
        return payload;
    }
    QHash<qint64, int> indexOf;
    if (!displaced.empty()) {
        const std::optional<std::vector<qint64>> ids = reader.readEntryIds();
        if (!ids) {
            return payload;
        }
        for (std::size_t i = 0; i < ids->size(); ++i) {
            indexOf.insert((*ids)[i], int(i));
        }
        for (const SealedJournalReader::BodyRow& row : displaced) {
            writer.addDisplaced({indexOf.value(row.entryId), row.cipherBody, row.at});
        }
    }
    payload.counts.displaced = qsizetype(displaced.size());
    indexOf.clear();
    // Each text goes into the payload as the UTF-8 it was sealed as, and is wiped at once.
    std::optional<QByteArray> text;
    const auto open = [&key, &text](const QByteArray& body) {
        return key.use([&](const EntryKey& entryKey) { text = openedBytes(body, entryKey); });
    };
    const auto wipe = [&text] {
        if (text) {
            wipeBytes(*text);
        }
    };
    const bool entriesRead = reader.readEntries([&](SealedJournalReader::EntryRow& row) {
        if (!open(row.cipherBody)) {
            return false;
        }
        indexOf.insert(row.id, int(payload.counts.entries++));
        writer.addEntry(
            {row.date, row.dayKey, row.promptID, row.categoryRaw, row.creditedWords, std::nullopt, row.globalId},
            text ? std::optional<QByteArrayView>(*text) : std::nullopt, row.cipherBody);
        wipe();
        return true;
    });
    if (!entriesRead) {
        return payload;
    }
    const bool versionsRead = reader.readVersions([&](SealedJournalReader::BodyRow& row) {
        if (!open(row.cipherBody)) {
            return false;
        }
        ++payload.counts.versions;
        writer.addVersion(indexOf.value(row.entryId), row.at, row.wordCount,
                          text ? std::optional<QByteArrayView>(*text) : std::nullopt, row.cipherBody);
        wipe();
        return true;
    });
    payload.read = versionsRead;
    if (versionsRead) {
        payload.bytes = writer.finish();
    }
    return payload;
}

/** The snapshot `sealed` opened with `key` and counted; nothing when it does not open or the key was taken back. */
std::optional<BackupCounts> countWritten(QByteArray sealed, const SnapshotKey& key)
{
    const BackupHeaderResult read = readBackupHeader(sealed);
    LockedBuffer derived(backupDerivedLength);
    bool derivedOk = false;
    if (!read.header || read.header->seal != BackupSeal::journalKey || !key.use([&](const EntryKey& entryKey) {
            derivedOk = deriveSnapshotBytes(entryKey, read.header->salt, derived);
        })
        || !derivedOk) {
        return std::nullopt;
    }
    return countBackup(std::move(sealed), *read.header, derived);
}

/**
 * `payload` sealed as a snapshot; empty when the cipher library fails, nothing when the key was taken back. The
 * key derived for it lives only as long as the seal.
 */
std::optional<QByteArray> seal(QByteArray payload, const SnapshotKey& key)
{
    const QByteArray salt = backupSalt();
    LockedBuffer derived(backupDerivedLength);
    bool derivedOk = false;
    if (!key.use([&](const EntryKey& entryKey) { derivedOk = deriveSnapshotBytes(entryKey, salt, derived); })) {
        wipeBytes(payload);
        return std::nullopt;
    }
    if (!derivedOk || salt.isEmpty()) {
        wipeBytes(payload);
        return QByteArray();
    }
    return sealSnapshot(std::move(payload), salt, derived);
}

} // namespace

SnapshotKey::SnapshotKey(const EntryKey& key)
{
    QByteArray bytes(reinterpret_cast<const char*>(key.data()), key.length());
    m_key = EntryKey::fromBytes(bytes);
    wipeBytes(bytes);
}

void SnapshotKey::revoke()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // The only holder of this copy: it is wiped here, with the cipher contexts that expanded it.
    m_key.reset();
}

bool SnapshotKey::revoked() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return !m_key;
}

bool SnapshotKey::use(const std::function<void(const EntryKey&)>& use) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_key) {
        return false;
    }
    use(*m_key);
    return true;
}

qint64 systemFreeSpace(const QString& folder)
{
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

SnapshotOutcome writeSnapshot(const QString& folder, QDate day, const QString& journalPath, const SnapshotKey& key,
                              const FreeSpace& freeSpace)
{
    SnapshotOutcome outcome{QDir(folder).filePath(SnapshotFolder::fileName(day)), 0, {}, false};
    const auto cancelled = [&outcome] {
        outcome.cancelled = true;
        return outcome;
    };
    if (!makeFolder(folder)) {
        outcome.problem = QCoreApplication::translate("wendle::SnapshotWriter", "the folder could not be made");
        return outcome;
    }
    const QDir dir(folder);
    removeUnfinished(dir);
    QString error;
    std::unique_ptr<SealedJournalReader> reader = SealedJournalReader::open(journalPath, &error);
    // The texts take about the room their sealed bodies take in the file: room made at once is never copied.
    const qint64 journalBytes = QFileInfo(journalPath).size() + QFileInfo(journalPath + QStringLiteral("-wal")).size();
    Payload payload = reader ? buildPayload(*reader, key, std::min(journalBytes, maxBackupBytes)) : Payload{};
    // Its read transaction ends here, so the store's checkpoints need not wait for the file to be written.
    reader.reset();
    if (key.revoked()) {
        wipeBytes(payload.bytes);
        return cancelled();
    }
    if (!payload.read) {
        //: Why the last snapshot failed, in a few words.
        outcome.problem = QCoreApplication::translate("wendle::SnapshotWriter", "the journal could not be read");
        return outcome;
    }
    // A snapshot never takes the last of the disk: the journal's own saves need it more.
    const qint64 fileSize = payload.bytes.size() + qint64(AesGcm::tagLength);
    if (const qint64 free = freeSpace(folder); free >= 0 && free < fileSize) {
        wipeBytes(payload.bytes);
        outcome.problem = diskFull();
        return outcome;
    }
    const std::optional<QByteArray> sealed = seal(std::move(payload.bytes), key);
    if (!sealed) {
        return cancelled();
    }
    if (sealed->isEmpty()) {
        outcome.problem = QCoreApplication::translate("wendle::SnapshotWriter", "the system's cryptography failed");
        return outcome;
    }
    const BackupWriteResult written = writeSealedFile(
        outcome.path, *sealed, payload.counts, [&key](QByteArray file) { return countWritten(std::move(file), key); },
        [&key] { return key.revoked(); });
    if (written.cancelled) {
        return cancelled();
    }
    if (!written.error.isEmpty()) {
        // A file that was named but did not read back is no snapshot: it must not count as one, nor be thinned to.
        if (written.named) {
            QFile::remove(outcome.path);
            if (key.revoked()) {
                return cancelled();
            }
            outcome.problem = QCoreApplication::translate("wendle::SnapshotWriter", "it did not read back as written");
        } else {
            outcome.problem = writeProblem(folder, sealed->size(), freeSpace);
        }
        return outcome;
    }
    outcome.entries = written.entries;
    thin(dir, day);
    return outcome;
}

} // namespace wendle
