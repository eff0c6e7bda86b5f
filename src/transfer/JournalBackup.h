// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/BackupFile.h"

#include <QString>

#include <functional>
#include <vector>

namespace wendle {

class Calendar;
class Entry;
class EntryKey;
class EntryStore;

/**
 * Every entry of the journal and every body kept aside, each with the entry it was kept for (also those not
 * saved yet), and with `withVersions` every earlier version, all still sealed (no text yet): what only the GUI
 * thread may read from the store, quickly.
 */
BackupContents sealedJournal(const EntryStore& store, bool withVersions);

/** Opens the texts of entries and versions of `contents` with `key`; those that do not open stay sealed. Any thread. */
void openTexts(BackupContents& contents, const EntryKey& key);

/** `sealedJournal`, its texts opened with `key`, ready to be sealed into a backup. */
BackupContents snapshotJournal(const EntryStore& store, const EntryKey& key, bool withVersions = false);

/** "wendle-backup-YYYY-MM-DD.wendlebackup" for the calendar day of `now`. */
QString backupFileName(const QDateTime& now, const Calendar& calendar);

/** The name filter of file dialogs that choose a backup. */
QString backupFilter();

/** How writing a backup went: the number of entries it holds, or why it failed (`error` not empty). */
struct BackupWriteResult
{
    int entries = 0;
    QString error;
    /** The file was written and named; a failure after that is one of reading it back. */
    bool named = false;
    /** Cancelled before it was named: nothing was written. */
    bool cancelled = false;
};

/**
 * Writes `sealed` to `path` (0600 from its first byte, synced, then named atomically), reads it back and counts
 * what it holds with `count`, which must find `expected`. When `cancelled` says so once the file is staged, it is
 * never named and the result says so.
 */
BackupWriteResult writeSealedFile(const QString& path, const QByteArray& sealed, const BackupCounts& expected,
                                  const std::function<std::optional<BackupCounts>(QByteArray)>& count,
                                  const std::function<bool()>& cancelled = {});

/**
 * Seals `contents` under `passphrase` into `path` (0600 from its first byte, written atomically), then reads the
 * file back and opens it again before reporting success, so a backup that says it worked can be restored. Slow
 * by design (two key derivations): run it on a worker thread.
 */
BackupWriteResult writeBackupFile(const QString& path, const BackupContents& contents, const Passphrase& passphrase,
                                  const ScryptParameters& parameters = {});

/** An entry of a backup that restoring leaves out, and why. */
struct RestoreSkip
{
    int entry = 0;
    QString reason;
};

/**
 * What restoring a backup would do: which of its entries are new to this journal, which present entries it
 * repairs (their bodies no longer open under the journal's key, and the backup holds their text), how many are
 * present, and which it refuses.
 */
struct RestorePlan
{
    std::vector<int> newEntries;
    /** Backup entry index and the journal's entry it repairs. */
    std::vector<std::pair<int, Entry*>> repairs;
    int presentEntries = 0;
    std::vector<RestoreSkip> skipped;
    /** Backup version index and the present entry that lacks it; versions of new entries come with them. */
    std::vector<std::pair<int, Entry*>> newVersions;

    /** The number of versions restoring adds, those of new entries included. */
    int addedVersions(const BackupContents& contents) const;
    bool addsNothing() const { return newEntries.empty() && repairs.empty() && newVersions.empty(); }
};

/**
 * Plans a restore into `store`, whose entries are opened with `key` to find those that no longer open. A backed-up
 * entry is present when the journal holds its global id, or an entry of the same date, day and prompt. Every
 * entry passes `IncomingEntry`'s checks against `calendar` and `now`. Credited words are the backup's own (a
 * past day's credit may rightly differ from its text) unless they are negative or beyond belief; then they are
 * counted from the text.
 */
RestorePlan planRestore(const BackupContents& contents, const EntryStore& store, const EntryKey& key,
                        const Calendar& calendar, const QDateTime& now);

/**
 * Adds the plan's new entries, with the earlier versions the backup carries for them, and to entries already
 * present the versions they do not have yet (told by the moment each was saved), their texts sealed under this
 * journal's `key` (bodies that were unreadable when backed up stay as they were), with the bodies kept aside for them,
 * gives repaired entries their text back (the unreadable body is kept aside, never destroyed), and saves it all in one
 * transaction. Nothing else present is touched. Returns false, with the store's reason in `error`, when the save fails;
 * the changes then stay pending in the store, which keeps trying.
 */
bool applyRestore(const RestorePlan& plan, const BackupContents& contents, EntryStore& store, const EntryKey& key,
                  QString* error);

} // namespace wendle
