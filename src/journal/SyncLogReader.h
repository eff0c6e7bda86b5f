// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/SyncRecord.h"

#include <QString>

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace wendle {

class AesGcm;
class EntryKey;

/** Where reading a device's log goes on from: before the record `record` of `segment`, `offset` bytes into it. */
struct SyncCursor
{
    quint32 segment = 0;
    quint64 offset = 0;
    quint32 record = 0;

    friend bool operator==(const SyncCursor& a, const SyncCursor& b) = default;
};

/**
 * Reads one device's sync log (see SyncFolder for the names, docs/formats.md for the bytes) from a cursor, as far
 * as it can be trusted, and never changes it. A record that is cut short, fails authentication or is longer than
 * `SyncRecordFormat::maxSealedLength` stops the reading there: a segment still arriving looks just like that, so
 * it is never taken for damage, and the next pass tries again from the same place.
 *
 * Segments follow one another: after a segment's last record (so marked) comes the next number. Compaction starts
 * a new set of segments at a higher number and removes the old ones, so a cursor on a segment that is gone, or at
 * the end of a segment with no next one, goes on at the next higher segment only if that one starts a set; any
 * other gap is a segment still arriving. A cursor beyond every segment (not at the start of the next) finds a log
 * that began again from 1, and reads it from its start.
 */
class SyncLogReader
{
public:
    /** Why a pass ended. */
    enum class Stop
    {
        /** Everything there is was read. */
        caughtUp,
        /** The pass read as many records as it was allowed; more may follow. */
        limit,
        /** A segment between the cursor and a later one has not arrived. */
        gap,
        /** A record is cut short. */
        incomplete,
        /** A record does not open under the key at its place: still arriving, altered, moved, or another key's. */
        unauthenticated,
        /** A record's length prefix is beyond the limit. */
        tooLong,
        /** A record opened but is in a format this build does not read. */
        unknownFormat,
        /** A segment could not be opened or read. */
        unreadable,
    };

    /** A record as read, with its place and flags (`SyncRecordFlag`). */
    struct Read
    {
        SyncRecord record;
        SyncCursor at;
        quint8 flags = 0;
    };

    struct Pass
    {
        std::vector<Read> records;
        /** Where the next pass goes on from. */
        SyncCursor cursor;
        Stop stop = Stop::caughtUp;
    };

    /** Reads `device`'s folder in `root` (SyncFolder::root), opening records under `key`. */
    SyncLogReader(const QString& root, const QByteArray& device, std::shared_ptr<const EntryKey> key);
    ~SyncLogReader();
    SyncLogReader(const SyncLogReader&) = delete;
    SyncLogReader& operator=(const SyncLogReader&) = delete;

    /** Reads up to `limit` records from `from` on. */
    Pass read(SyncCursor from, std::size_t limit = std::numeric_limits<std::size_t>::max());

    /** Whether the first record of `segment` is there, opens, and starts a set. */
    bool startsSet(quint32 segment) { return !whyNoSetStarts(segment); }
    /** Nothing when `segment` starts a set; otherwise why reading cannot go on into it (`gap` for a record that opens).
     */
    std::optional<Stop> whyNoSetStarts(quint32 segment);

    QString folder() const { return m_folder; }

private:
    struct Found;
    Found readAt(int fd, const SyncCursor& at);

    QString m_folder;
    QByteArray m_device;
    std::shared_ptr<const EntryKey> m_key;
    std::unique_ptr<AesGcm> m_cipher;
};

} // namespace wendle
