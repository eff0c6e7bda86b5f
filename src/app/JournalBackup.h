// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/BackupFile.h"

#include <QString>

#include <vector>

namespace wendle {

class Calendar;
class EntryKey;
class EntryStore;

/** Every entry of the journal (texts opened with `key`) and every body kept aside, ready to be sealed. */
BackupContents snapshotJournal(const EntryStore& store, const EntryKey& key);

/** "wendle-backup-YYYY-MM-DD.wendlebackup" for the calendar day of `now`. */
QString backupFileName(const QDateTime& now, const Calendar& calendar);

/** How writing a backup went: the number of entries it holds, or why it failed (`error` not empty). */
struct BackupWriteResult
{
    int entries = 0;
    QString error;
};

/**
 * Seals `contents` under `passphrase` into `path` (0600, written atomically), then reads the file back and
 * opens it again before reporting success, so a backup that says it worked can be restored.
 */
BackupWriteResult writeBackupFile(const QString& path, const BackupContents& contents, const QString& passphrase,
                                  const ScryptParameters& parameters = {});

/** What restoring a backup would do: which of its entries are new to this journal, and how many are present. */
struct RestorePlan
{
    std::vector<int> newEntries;
    int presentEntries = 0;
};

RestorePlan planRestore(const BackupContents& contents, const EntryStore& store);

/**
 * Adds the plan's new entries, their texts sealed under this journal's `key` (bodies that were unreadable
 * when backed up stay as they were), with the bodies kept aside for them, and saves them in one transaction.
 * Present entries are never touched. Returns false, with the store's reason in `error`, when the save fails;
 * the entries then stay pending in the store, which keeps trying.
 */
bool applyRestore(const RestorePlan& plan, const BackupContents& contents, EntryStore& store, const EntryKey& key,
                  QString* error);

} // namespace wendle
