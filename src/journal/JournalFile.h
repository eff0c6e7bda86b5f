// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>
#include <optional>

struct sqlite3;

namespace wendle {

/**
 * The journal's SQLite file and the connection to it: made with owner-only modes, judged before anything is
 * written, and only then opened for writing.
 *
 * `open` runs the cheap checks (the header, the schema version, the tables and their columns) through a
 * connection that can only read and never checkpoints, so a file that is refused, or is still waiting for its
 * whole-file check, stays byte for byte as it was. `makeWritable` then switches to a connection that writes; it
 * must follow a passed `findDamage`. A file that is not a Wendle journal, or is from a newer version, is never
 * touched.
 */
class JournalFile
{
public:
    /** The schema version this build writes. */
    static constexpr int schemaVersion = 6;

    /**
     * Opens `path` for reading, creating it (folder 0700, file 0600) when it does not exist. Refuses a file that
     * could not be saved to, or whose header, version or tables are not a Wendle journal's. On failure returns
     * null and sets `error` to a sentence naming the file.
     */
    static std::unique_ptr<JournalFile> open(const QString& path, QString* error);

    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    /**
     * Switches to a writing connection: owner-only modes on the file and its logs, the write-ahead log,
     * `synchronous=FULL`, and the tables of a new file. Only for a file `findDamage` has passed. A writing connection
     * that cannot be made leaves the reading one in place.
     */
    [[nodiscard]] bool makeWritable(QString* error);
    bool isWritable() const { return m_writable; }

    /**
     * The whole-file check (`PRAGMA quick_check`), whose cost grows with the file. Returns the sentence refusing
     * the file when it is damaged, nothing when it is sound.
     */
    std::optional<QString> findDamage() const;

    /**
     * Brings a file of any earlier version to the current one inside the caller's transaction, so the whole
     * upgrade is kept or none of it; its entries stay as they are but for the global id each gains (and, from 6 on,
     * empty sync stamps). Refuses outside a
     * transaction.
     */
    [[nodiscard]] bool upgradeSchema();
    /** The schema version of the file as it is now (in the current transaction, if one is open). */
    int version() const;

    QString path() const { return m_path; }
    /** The connection; read-only until `makeWritable`. */
    sqlite3* db() const { return m_db; }

    [[nodiscard]] bool exec(const char* sql);
    /** A single-value query; nothing when the statement fails. */
    std::optional<qint64> queryInteger(const char* sql) const;
    /** SQLite's message for the last failure. */
    QString lastError() const;
    /** Why the last write failed, as the user would put it ("the disk is full"). */
    QString failureReason() const;

private:
    JournalFile(QString path, sqlite3* db);

    QString m_path;
    sqlite3* m_db = nullptr;
    bool m_writable = false;
};

} // namespace wendle
