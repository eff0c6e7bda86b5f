// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>
#include <tuple>

namespace wendle {

class AesGcm;

/**
 * When a change was made, as every computer orders it: the writer's Lamport clock, then its device id (see
 * SyncId) to break ties. Of two changes to one entry, the greater stamp is the later.
 */
struct SyncStamp
{
    quint64 clock = 0;
    QByteArray device;

    friend bool operator==(const SyncStamp& a, const SyncStamp& b) = default;
    friend bool operator<(const SyncStamp& a, const SyncStamp& b)
    {
        return std::tie(a.clock, a.device) < std::tie(b.clock, b.device);
    }
};

/**
 * One change to one entry, as a device appends it to its sync log: the whole entry as it stands after the change.
 * The plain text is here; it only ever reaches a file sealed (see `sealSyncRecord`).
 */
struct SyncRecord
{
    /** The entry's global id. */
    QByteArray entryId;
    QDateTime date;
    QString dayKey;
    QString promptID;
    QString categoryRaw;
    QString text;
    qint64 creditedWords = 0;
    /** This change. */
    SyncStamp stamp;
    /** The change that last set `creditedWords`: an edit made on the entry's own day, never a later one. */
    SyncStamp creditStamp;

    friend bool operator==(const SyncRecord& a, const SyncRecord& b) = default;
};

/** Marks a record carries about its place in the log; sealed with it. */
enum SyncRecordFlag : quint8
{
    /** The first record of a set of segments: of a new device's log, or of one written by compaction. */
    startsSet = 0x01,
    /** The last record compaction wrote: the set it started is whole. */
    endsCompaction = 0x02,
    /** The last record of its segment: the next one is the first of the next segment. */
    endsSegment = 0x04,
};

/** A record's place in a device's log, the associated data it is sealed with. */
struct SyncPosition
{
    /** The device whose folder holds the record (its 16 bytes). */
    QByteArray device;
    quint32 segment = 0;
    /** The record's index in its segment, from 0. */
    quint32 record = 0;
};

/** The sizes of the log's framing (see docs/formats.md). */
namespace SyncRecordFormat {
/** The length prefix before each sealed record. */
inline constexpr int prefixLength = 4;
/** No sealed record is longer than this (length prefix not counted); a longer one is refused unread. */
inline constexpr qint64 maxSealedLength = 8 * 1024 * 1024;
/** Nonce and tag around the sealed payload. */
inline constexpr int sealOverhead = 12 + 16;
/**
 * The longest entry text, in UTF-8, that a record carries: what is left of `maxSealedLength` with room to spare for
 * the other fields, which are short.
 */
inline constexpr qint64 maxTextLength = maxSealedLength - 64 * 1024;
/** The version byte that starts every payload. */
inline constexpr quint8 version = 1;
} // namespace SyncRecordFormat

/**
 * The record with its flags, sealed under `cipher` at `position` and framed for its segment: length prefix,
 * nonce, sealed payload, tag. Empty when sealing fails or the result would exceed `maxSealedLength`.
 */
QByteArray sealSyncRecord(AesGcm& cipher, const SyncPosition& position, const SyncRecord& record, quint8 flags);

/** What opening a sealed record found. */
struct OpenedSyncRecord
{
    enum class Result
    {
        opened,
        /** Wrong key, altered bytes, or a record moved from another position. */
        unauthenticated,
        /** Sealed correctly but not in a payload format this build reads (a newer Wendle's). */
        unknownFormat,
        failure,
    };
    Result result = Result::failure;
    SyncRecord record;
    quint8 flags = 0;
};

/** Opens `sealed` (nonce, sealed payload and tag, without the length prefix) as the record at `position`. */
OpenedSyncRecord openSyncRecord(AesGcm& cipher, const SyncPosition& position, QByteArrayView sealed);

} // namespace wendle
