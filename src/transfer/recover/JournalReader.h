// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/EntryRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

class EntryKey;

/** One row of the journal's entries: its fields (no text yet) and its body as the file holds it. */
struct SealedEntry
{
    EntryRecord fields;
    QByteArray cipherBody;
};

/** What a journal file holds that a recovery needs. */
struct JournalRows
{
    std::vector<SealedEntry> entries;
    /** The sealed key checks; none in a journal older than schema version 2. */
    std::vector<QByteArray> keyChecks;
    /** Bodies kept aside when they were replaced while they did not open. */
    std::vector<QByteArray> displacedBodies;
    /** How many earlier versions of entries the journal keeps; none before schema version 3. */
    qint64 versionCount = 0;
};

/**
 * Reads a journal file without ever writing to it, its write-ahead log or its shared-memory file. A file
 * without a log is opened as immutable; one with a log (a journal whose program is running, or was killed) is
 * copied with its log into a private temporary folder first, because an immutable connection would not see the
 * log's rows. Tables and columns are found by name, so a journal written by a newer version, with tables and
 * columns this one does not know, is read as well.
 */
class JournalReader
{
public:
    /** The largest journal (and log) copied; a journal of decades of daily writing is a few hundred MiB. */
    static constexpr qint64 maxFileBytes = qint64(16) << 30;
    /** The largest field read from a row; an entry body is a few KiB. */
    static constexpr int maxFieldBytes = 256 << 20;

    /** The rows of the journal at `path`; nothing, with a sentence naming the file in `error`, on failure. */
    [[nodiscard]] static std::optional<JournalRows> read(const QString& path, QString* error);
};

/**
 * Whether `key` is this journal's: it opens one of its key checks or, in a journal that has none, one of its
 * bodies. A journal with nothing sealed takes any key.
 */
[[nodiscard]] bool keyOpensJournal(const JournalRows& rows, const EntryKey& key);

} // namespace wendle
