// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryCrypto.h"
#include "transfer/BackupFile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace wendle {

/** The entry key in the session's keyring, where the program looks for it; null when there is none. */
std::shared_ptr<const EntryKey> keyringKey();
/** Puts `key` in the keyring as the program stores it, replacing any other. */
bool storeKeyringKey(const EntryKey& key);
void clearKeyringKey();

/** `PRAGMA integrity_check` through a connection that only reads: "ok", or what it found. */
QString integrityOf(const QString& path);
/** A single number from the file, read without changing it; -1 when the query fails. */
qint64 queryNumber(const QString& path, const char* sql);

/** Copies a closed journal file to `path`, with its folder, as the program would have made them. */
bool copyJournal(const QString& from, const QString& path);

/**
 * A journal as the first released version wrote it (schema version 1: no key checks, no words counted yet),
 * with many entries, so bringing it up to date (the schema, then counting every entry's words) takes a while.
 */
struct OldJournal
{
    QString path;
    /** A digest of every entry's columns but the words counted, in order. */
    QByteArray rowsDigest;
    /** Each entry's word count once counted, in order. */
    std::vector<qint64> words;

    static OldJournal write(const QString& path, const EntryKey& key, int entries);
    static QByteArray digestRows(const QString& path);
    static std::vector<qint64> creditedWords(const QString& path);
};

/** A backup to restore (its scrypt made cheap, the restore itself is what is timed) and a journal to restore into. */
struct RestoreFixture
{
    QString backupPath;
    QString passphrase;
    BackupContents contents;
    /** A journal of three entries and its key check, none of them in the backup. */
    QString journalPath;

    static RestoreFixture write(const QString& folder, const EntryKey& key, int entries);
};

/**
 * A journal for the snapshot and version trials: the backup's entries, the first 100 with an earlier version each,
 * and last a long entry with three earlier versions, each of its own earlier day, whose newest a trial restores.
 */
struct VersionedJournal
{
    QString path;
    std::size_t entries = 0;
    std::size_t versions = 0;
    /** The long entry's texts: its versions, newest first, then its current text. */
    QStringList versionTexts;
    QString currentText;

    static VersionedJournal write(const QString& path, const EntryKey& key, const BackupContents& contents);
};

} // namespace wendle
