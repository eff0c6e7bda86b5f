// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/JournalFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace wendle {

/**
 * Reads everything sealed a journal file holds (entries, bodies kept aside, earlier versions) through a read-only
 * connection of its own, inside one read transaction: a worker thread sees the file as one moment left it while
 * the store goes on saving through its own connection. Each table is read in one pass, row by row, so nothing is
 * held that the caller does not keep: a row's sealed body is SQLite's own bytes, valid only while the row is
 * visited (a caller that keeps it copies it). Entries come in store order (by id), versions by entry id, each
 * entry's newest first; a row that names no entry of the file is left out.
 */
class SealedJournalReader
{
public:
    struct EntryRow
    {
        qint64 id = 0;
        QDateTime date;
        QString dayKey;
        QString promptID;
        QString categoryRaw;
        qint64 creditedWords = 0;
        QByteArray cipherBody;
        /** Empty in a file older than global ids; like the body, valid only while the row is visited. */
        QByteArray globalId;
    };

    /** A body kept aside (`at`: when) or an earlier version (`at`: when the save that replaced it was written). */
    struct BodyRow
    {
        qint64 entryId = 0;
        QDateTime at;
        qint64 wordCount = 0;
        QByteArray cipherBody;
    };

    /** Each visitor returns false to stop the reading; the read then returns false too. */
    using EntryVisitor = std::function<bool(EntryRow&)>;
    using BodyVisitor = std::function<bool(BodyRow&)>;

    /**
     * Opens the journal at `path` for reading; null with `error` set when it cannot be, as `JournalFile::open`,
     * or when there is no file there (which is never made).
     */
    static std::unique_ptr<SealedJournalReader> open(const QString& path, QString* error);
    ~SealedJournalReader();
    SealedJournalReader(const SealedJournalReader&) = delete;
    SealedJournalReader& operator=(const SealedJournalReader&) = delete;

    /** The bodies kept aside, oldest first (no word count). */
    [[nodiscard]] bool readDisplaced(const BodyVisitor& visit);
    [[nodiscard]] bool readEntries(const EntryVisitor& visit);
    /** The entries' ids alone, in store order; nothing when the file cannot give them. */
    std::optional<std::vector<qint64>> readEntryIds();
    /** The earlier versions; none in a file older than they are. */
    [[nodiscard]] bool readVersions(const BodyVisitor& visit);
    /** SQLite's message for the last failure. */
    QString lastError() const { return m_file->lastError(); }

private:
    explicit SealedJournalReader(std::unique_ptr<JournalFile> file);
    [[nodiscard]] bool readBodies(const char* sql, const BodyVisitor& visit);

    std::unique_ptr<JournalFile> m_file;
    bool m_reading = false;
};

} // namespace wendle
