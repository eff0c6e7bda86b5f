// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SyncLogReader.h"
#include "journal/SyncRecord.h"

#include <QString>

#include <memory>
#include <vector>

namespace wendle {

class AesGcm;
class EntryKey;

/**
 * Appends this device's changes to its own sync log, the one folder of the sync folder it ever writes to (see
 * SyncFolder, SyncLogReader). Each record is sealed at its place and is on disk (fsync) before `append` returns.
 * A segment's last record is the one that takes it past `segmentTarget`; the next starts a new segment.
 *
 * A crash in the middle of an append leaves a record cut short at the end of the log: `open` cuts it off, so the
 * place is written again and every reader, which stopped there, reads on. `open` also finishes a compaction that
 * was interrupted. A log whose first record is whole but does not open was written under the key the journal had
 * before it joined another: it is removed, and the log starts over above it. Anything else that does not read back
 * (damage after the start) is reported, never cut.
 *
 * Compaction, when `compactionDue`, writes the latest record of each entry as a new set of segments above the old
 * ones, then removes the old ones; readers move over to it (SyncLogReader).
 */
class SyncLogWriter
{
public:
    /** A segment is closed once it reaches this size. */
    static constexpr qint64 segmentTarget = 4 * 1024 * 1024;
    /** The log is compacted once it holds more records than this (and twice its entries). */
    static constexpr qint64 compactionThreshold = 10000;

    /** Writes `device`'s folder in `root` (SyncFolder::root), sealing under `key`. */
    SyncLogWriter(const QString& root, const QByteArray& device, std::shared_ptr<const EntryKey> key);
    ~SyncLogWriter();
    SyncLogWriter(const SyncLogWriter&) = delete;
    SyncLogWriter& operator=(const SyncLogWriter&) = delete;

    /**
     * Makes the folder (0700) when there is none, reads the log back, cuts off a record left incomplete and finishes
     * an interrupted compaction. False, and `error` set to a sentence naming the folder, when the log cannot be
     * written to or does not read back.
     */
    [[nodiscard]] bool open(QString* error);

    /** Appends `record`, on disk when this returns true. On failure nothing of it stays in the log. */
    [[nodiscard]] bool append(const SyncRecord& record, QString* error);
    /**
     * Appends `records` in order, on disk together when this returns true: for many at once, as when a journal first
     * joins. On failure the records before the one that failed may stay; reading them again changes nothing.
     */
    [[nodiscard]] bool append(const std::vector<SyncRecord>& records, QString* error);

    /** The records of the current set of segments. */
    qint64 recordCount() const { return m_count; }
    /** The highest Lamport clock of this device's records: its clock goes on from there. */
    quint64 highestClock() const { return m_highestClock; }

    bool compactionDue() const { return m_count > m_compactAbove; }
    /** Rewrites the log as the latest record of each entry; see the class. */
    [[nodiscard]] bool compact(QString* error);

private:
    /** Writes `records`' latest of each entry as a set above every segment, then removes the segments below it. */
    [[nodiscard]] bool writeSet(const std::vector<SyncLogReader::Read>& records, QString* error);
    [[nodiscard]] bool appendFlagged(const SyncRecord& record, quint8 flags, bool durable, QString* error);
    [[nodiscard]] bool removeSegments(const std::vector<quint32>& numbers, QString* error);
    [[nodiscard]] bool truncateSegment(quint32 segment, quint64 length, QString* error);
    [[nodiscard]] bool syncFolder(QString* error);
    void closeSegment();
    bool fail(QString* error, const QString& reason);
    /** A log with no set to go on from: a new one, or one whose very first record was cut short. */
    [[nodiscard]] bool startLog(const std::vector<quint32>& segments, QString* error);
    [[nodiscard]] bool redoCompaction(quint32 from, quint32 lastSegment, QString* error);
    /** Cuts off what a crash left at the end of the log, as read by `pass`; fails at anything else unread. */
    [[nodiscard]] bool repairEnd(const SyncLogReader::Pass& pass, const std::vector<quint32>& segments, QString* error);
    /** Whether the segment's first record is whole and does not open: the log was written under another key. */
    bool sealedUnderAnotherKey(quint32 segment);
    /** Whether the segment holds, from `at` on, nothing or only one last record that is short or does not open. */
    bool onlyCutShort(const SyncCursor& at);
    bool damaged(quint32 segment, QString* error);
    void takeStock(const std::vector<SyncLogReader::Read>& records);

    QString m_folder;
    QByteArray m_device;
    std::shared_ptr<const EntryKey> m_key;
    std::unique_ptr<AesGcm> m_cipher;
    SyncLogReader m_reader;
    bool m_open = false;
    /** Where the next record goes. */
    SyncCursor m_next;
    /** The first segment of the current set. */
    quint32 m_base = 0;
    /** The next record starts a set. */
    bool m_startsSet = false;
    int m_fd = -1;
    quint32 m_fdSegment = 0;
    qint64 m_count = 0;
    qint64 m_compactAbove = compactionThreshold;
    quint64 m_highestClock = 0;
};

} // namespace wendle
