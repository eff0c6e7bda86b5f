// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/BackupFile.h"

#include <QDate>
#include <QString>

namespace wendle {

class EntryKey;

/** How writing a snapshot went. */
struct SnapshotOutcome
{
    QString path;
    int entries = 0;
    /** Why it failed, in a few words ("the disk is full"); empty when the snapshot was written and read back. */
    QString problem;
};

/**
 * Writes the snapshot of `day` into `folder` (made 0700 when missing): opens the texts of `contents` (as
 * `sealedJournal` read them) with `key`, seals them under it, writes the file 0600 beside its place, syncs and
 * names it, then reads it back and opens it. Only a snapshot that read back whole lets older ones be thinned
 * (SnapshotThinning); files of the folder that are not snapshots are never touched, except the temporary files
 * of snapshot writes that never finished. Slow: run it on a worker thread.
 */
SnapshotOutcome writeSnapshot(const QString& folder, QDate day, BackupContents contents, const EntryKey& key);

} // namespace wendle
