// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SyncLogReader.h"
#include "journal/SyncRecord.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

namespace wendle {

class EntryKey;
class SyncLogWriter;

/**
 * The file work of one sync pass, the part that runs on a worker thread: this computer's changes appended to its
 * own log (opened on the first pass and handed from pass to pass), the log compacted when that is due, and every
 * other computer's log read on from where the journal says reading stopped. Nothing here touches the journal;
 * SyncEngine applies what was read on the GUI thread.
 */
namespace SyncPass {

/** What a pass is given. */
struct Input
{
    /** The folder the user chose (not its `wendle-sync`). */
    QString chosenFolder;
    QByteArray device;
    std::shared_ptr<const EntryKey> key;
    /** This computer's log as the last pass left it; null: it is opened (and made) first. */
    std::unique_ptr<SyncLogWriter> ownLog;
    /** This computer's changes, in the order they are appended. */
    std::vector<SyncRecord> outgoing;
    /** Where reading each other device goes on; the start for one not here. */
    QHash<QByteArray, SyncCursor> cursors;
    /** At most this many records are read in one pass, so a long log is taken in bounded batches. */
    std::size_t recordLimit = 2000;
};

/** What one other computer's log gave. */
struct DeviceRead
{
    QByteArray device;
    SyncCursor from;
    SyncLogReader::Pass read;
};

/** What a pass did and found. */
struct Result
{
    /** The own log, open, for the next pass; null when it could not be opened or the pass was cancelled. */
    std::unique_ptr<SyncLogWriter> ownLog;
    /** The own log held no record when it was opened: a new log, in a folder this journal never synced through. */
    bool ownLogWasEmpty = false;
    /** The outgoing changes are on disk. */
    bool appended = false;
    /** The highest Lamport clock in the own log. */
    quint64 highestClock = 0;
    /** A sentence naming the folder when it could not be written or read; empty otherwise. */
    QString failure;
    std::vector<DeviceRead> devices;
    /** Devices not read in this pass because the record limit was reached. */
    bool moreToRead = false;
    /** Conflict copies a sync program left in the folder (paths). */
    std::vector<QString> conflictCopies;
    /** The sync root and the other devices' folders and newest segments: where a change means a new pass. */
    QStringList watchPaths;
    bool cancelled = false;
};

/**
 * Runs a pass. `cancelled` is looked at between steps; once it is set, the pass ends at the next one and lets go of
 * the key and the own log.
 */
Result run(Input input, const std::atomic_bool& cancelled);

} // namespace SyncPass

} // namespace wendle
