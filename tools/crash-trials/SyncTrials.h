// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SyncLogReader.h"

#include <QMap>
#include <QString>

#include <memory>
#include <vector>

namespace wendle {
class EntryKey;
}

/** What the sync trials share between the trial and the child it kills. */
namespace wendle::SyncTrials {

/** The device whose log the trials write. */
inline const QByteArray device(16, '\x5e');
/** The entries a compaction trial's log holds, and its records. */
inline constexpr int compactionEntries = 300;
inline constexpr int compactionRecords = 3000;

/** The `index`th change the trials write: always the same, so what reads back can be checked. */
SyncRecord change(int index, int entries, int maxTextSize);
/** The `index`th change of an append trial: large enough that a kill can land inside one. */
inline SyncRecord appended(int index)
{
    return change(index, 40, 256 * 1024);
}

/** Writes the log a compaction trial copies: `compactionRecords` changes of `compactionEntries` entries. */
bool writeCompactionLog(const QString& root, std::shared_ptr<const EntryKey> key, QString* error);

/** The text each entry holds after all of `records`, the change of the greatest stamp winning. */
QMap<QByteArray, QString> latest(const std::vector<SyncLogReader::Read>& records);

/**
 * The child a sync trial kills, in `root`: with `append` it appends `appended` changes one after another and
 * counts each that returned with one byte appended to `acknowledged`; with `compact` it compacts the log.
 */
int child(const QString& root, const QString& what, const QString& acknowledged, std::shared_ptr<const EntryKey> key);

} // namespace wendle::SyncTrials
