// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/EntryRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace wendle {

class EntryKey;
class LockedBuffer;

/**
 * A backup's passphrase, its UTF-8 bytes in locked memory and wiped when the last copy goes. Copies share the
 * bytes, so one can be handed to the worker thread that derives the key.
 */
class Passphrase
{
public:
    /** Implicit, so what the user typed can be handed straight on; the bytes never sit in a plain array. */
    Passphrase(const QString& text); // NOLINT(google-explicit-constructor)

    const LockedBuffer& bytes() const { return *m_bytes; }

private:
    std::shared_ptr<const LockedBuffer> m_bytes;
};

/** One entry as a backup carries it: its text in the clear inside the sealed payload, or, when its text did not
 *  open under the journal's key, its sealed body as it is, so it opens again if that key comes back. */
struct BackupRecord
{
    EntryRecord record;
    /** Set only when `record` has no text. */
    QByteArray sealedBody;
};

/** A body that was kept aside for an entry, as the backup carries it. */
struct BackupDisplacedBody
{
    /** Index into `BackupContents::entries`. */
    int entryIndex = 0;
    QByteArray cipherBody;
    QDateTime displacedAt;
};

/** An earlier version of an entry, as a backup carries it: its text, or its sealed body when that did not open. */
struct BackupVersion
{
    /** Index into `BackupContents::entries`. */
    int entryIndex = 0;
    std::optional<QString> text;
    /** Set only when there is no text. */
    QByteArray sealedBody;
    QDateTime savedAt;
    qint64 wordCount = 0;
};

/** How many records of each kind a backup holds: what reading one back checks. */
struct BackupCounts
{
    qsizetype entries = 0;
    qsizetype displaced = 0;
    qsizetype versions = 0;

    bool operator==(const BackupCounts&) const = default;
};

/** Everything a backup holds. */
struct BackupContents
{
    std::vector<BackupRecord> entries;
    std::vector<BackupDisplacedBody> displaced;
    /** Empty unless earlier versions were asked for; a snapshot always carries them. */
    std::vector<BackupVersion> versions;

    BackupCounts counts() const;
};

/** What a backup file is sealed with: a passphrase (a backup) or the journal's own entry key (a snapshot). */
enum class BackupSeal
{
    passphrase,
    journalKey,
};

/** The cost of deriving a backup's key from its passphrase (scrypt). Backups the app writes use the defaults. */
struct ScryptParameters
{
    int log2N = 17;
    quint32 r = 8;
    quint32 p = 1;
};

/** Why a backup could not be read; `backupErrorMessage` says it to the user. */
enum class BackupError
{
    notABackup,
    newerVersion,
    truncated,
    wrongPassphrase,
    damaged,
    cryptoFailure,
    /** A snapshot was given where a backup was expected. */
    sealedWithJournalKey,
    /** A backup was given where a snapshot was expected. */
    sealedWithPassphrase,
    /** A snapshot of another journal, or of this one before its key was replaced. */
    wrongKey,
};

QString backupErrorMessage(BackupError error);

/** The result of reading a backup: its contents or why there are none. */
struct BackupReadResult
{
    std::optional<BackupContents> contents;
    BackupError error = BackupError::damaged;
};

/**
 * The backup file: a plain header (magic "WENDLEBK", format version, scrypt parameters, a 16-byte salt, a
 * passphrase check, the nonce, the payload length and, from version 2, a SHA-256 of all of that), then the
 * payload sealed with AES-256-GCM under a key derived from the passphrase, the whole header authenticated as
 * associated data. The header's own hash tells a damaged header (a changed salt, say) from a wrong
 * passphrase before anything is derived; the passphrase check, a hash of a second half of the derived bytes,
 * tells a wrong passphrase from a damaged payload. Returns an empty array when the cipher library fails.
 */
QByteArray encodeBackup(const BackupContents& contents, const Passphrase& passphrase,
                        const ScryptParameters& parameters = {});

/** Reads a backup written by `encodeBackup`; nothing is trusted before the seal is verified. */
BackupReadResult decodeBackup(const QByteArray& file, const Passphrase& passphrase);

/**
 * A snapshot: the backup file with the key-derivation byte set to "journal key" (scrypt's fields zero). Its 64
 * derived bytes come from the journal's entry key and the salt by HKDF-SHA256, so the recovery code (which is
 * that key) opens it without any passphrase. Returns an empty array when the cipher library fails.
 */
QByteArray encodeSnapshot(const BackupContents& contents, const EntryKey& key);

/** Reads a snapshot written by `encodeSnapshot`, with the journal's key. */
BackupReadResult decodeSnapshot(const QByteArray& file, const EntryKey& key);

/** A fresh salt for a backup's header; empty when the system's random source fails. */
QByteArray backupSalt();

/**
 * The bytes a snapshot with `salt` is sealed with, derived from the journal's key (HKDF); false when the cipher
 * library fails. The one step of writing or checking a snapshot that needs the key itself.
 */
[[nodiscard]] bool deriveSnapshotBytes(const EntryKey& key, const QByteArray& salt, LockedBuffer& derived);

/**
 * `encodeSnapshot` of a payload a BackupPayloadWriter wrote (its whole buffer, header room first), sealed with
 * `derived` from `salt` where it lies: the plain text is never copied, and is wiped when sealing fails.
 */
QByteArray sealSnapshot(QByteArray payload, const QByteArray& salt, const LockedBuffer& derived);

/** A backup's plain header: what deriving its key costs, and where its sealed payload lies. */
struct BackupHeader
{
    BackupSeal seal = BackupSeal::passphrase;
    /** Only for `BackupSeal::passphrase`. */
    ScryptParameters parameters;
    QByteArray salt;
    QByteArray check;
    QByteArray nonce;
    quint64 payloadLength = 0;
    /** Where the sealed payload starts: the header's own length, which grew with version 2. */
    int length = 0;
};

/** The result of reading a backup's header: the header or why the file is refused. */
struct BackupHeaderResult
{
    std::optional<BackupHeader> header;
    BackupError error = BackupError::damaged;
};

/**
 * Reads the header of `file` and checks the file's length against it, deriving nothing: a header asking for a
 * key derivation far costlier than Wendle's own is refused here, so a crafted file cannot tie up the machine.
 */
BackupHeaderResult readBackupHeader(const QByteArray& file);

/** How many bytes a backup's passphrase derives: the cipher key, then the half its passphrase check is made from. */
inline constexpr std::size_t backupDerivedLength = 64;

/** Opens `file`, whose header `readBackupHeader` read, with the bytes derived from its passphrase. */
BackupReadResult openBackup(const QByteArray& file, const BackupHeader& header, const LockedBuffer& derived);

/**
 * Opens `file` as `openBackup` does, in place, and counts its records as `countWrittenPayload` does, without
 * building them: the check of a file just written, at a fraction of the cost of reading it whole. Nothing when it
 * does not open, or what it holds is not what the writer writes. The bytes are wiped before it returns.
 */
std::optional<BackupCounts> countBackup(QByteArray file, const BackupHeader& header, const LockedBuffer& derived);

/** The contents an opened payload describes; none when it describes none. */
std::optional<BackupContents> backupContentsFromPayload(const QByteArray& payload);

/** The largest backup read: it holds the whole journal; this is far above years of daily writing, and keeps a
 *  stray file out. */
inline constexpr qint64 maxBackupBytes = qint64(1) << 30;

/** The length of the header this build writes: where the payload starts. */
inline constexpr qsizetype backupHeaderLength = 120;

/** The magic bytes every backup starts with. */
inline constexpr char backupMagic[] = "WENDLEBK";

} // namespace wendle
