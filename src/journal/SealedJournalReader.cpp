// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SealedJournalReader.h"

#include "journal/SqlColumns.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace wendle {

namespace {

/** Steps `sql` to its end, handing each row to `visit`; false when the statement fails or `visit` stops it. */
// The row's bytes as SQLite holds them, until the statement steps on.
QByteArray borrowedBlob(sqlite3_stmt* statement, int column)
{
    const void* blob = sqlite3_column_blob(statement, column);
    return blob ? QByteArray::fromRawData(static_cast<const char*>(blob), sqlite3_column_bytes(statement, column))
                : QByteArray();
}

template <typename Visit> bool eachRow(sqlite3* db, const char* sql, Visit visit)
{
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &select, nullptr) != SQLITE_OK) {
        sqlite3_finalize(select);
        return false;
    }
    int step;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
        if (!visit(select)) {
            break;
        }
    }
    sqlite3_finalize(select);
    return step == SQLITE_DONE;
}

// Only rows whose entry the file holds: the store never writes others, but a file edited by hand may hold some.
constexpr char displacedSql[] = "SELECT d.entry_id, d.displaced_at, 0, d.cipher_body FROM displaced_bodies d "
                                "JOIN entries e ON e.id = d.entry_id ORDER BY d.id";
// By the index on entry_id: SQLite sorts only within each entry, never the whole table.
constexpr char versionsSql[] = "SELECT v.entry_id, v.saved_at, v.word_count, v.cipher_body FROM entry_versions v "
                               "JOIN entries e ON e.id = v.entry_id ORDER BY v.entry_id, v.saved_at DESC, v.id DESC";

} // namespace

std::unique_ptr<SealedJournalReader> SealedJournalReader::open(const QString& path, QString* error)
{
    // A reader never makes a journal where there is none, as opening the journal itself would.
    if (!QFileInfo::exists(path)) {
        //: %1 is a file.
        *error = QCoreApplication::translate("wendle::SealedJournalReader", "The journal %1 does not exist.").arg(path);
        return nullptr;
    }
    std::unique_ptr<JournalFile> file = JournalFile::open(path, error);
    return file ? std::unique_ptr<SealedJournalReader>(new SealedJournalReader(std::move(file))) : nullptr;
}

SealedJournalReader::SealedJournalReader(std::unique_ptr<JournalFile> file)
    : m_file(std::move(file))
{
    // One read transaction for every table, so the parts agree with each other.
    m_reading = m_file->exec("BEGIN");
}

SealedJournalReader::~SealedJournalReader()
{
    if (m_reading) {
        static_cast<void>(m_file->exec("COMMIT"));
    }
}

bool SealedJournalReader::readDisplaced(const BodyVisitor& visit)
{
    return readBodies(displacedSql, visit);
}

bool SealedJournalReader::readVersions(const BodyVisitor& visit)
{
    return m_file->version() < 3 || readBodies(versionsSql, visit);
}

bool SealedJournalReader::readEntries(const EntryVisitor& visit)
{
    EntryRow row;
    // A file older than global ids has none to give until the store's first save brings it up to date.
    const char* const sql = m_file->version() < 5
        ? "SELECT id, date, day_key, prompt_id, category_raw, credited_words, cipher_body, NULL FROM entries "
          "ORDER BY id"
        : "SELECT id, date, day_key, prompt_id, category_raw, credited_words, cipher_body, global_id FROM entries "
          "ORDER BY id";
    return m_reading && eachRow(m_file->db(), sql, [&](sqlite3_stmt* select) {
               row.id = sqlite3_column_int64(select, 0);
               row.date = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(select, 1), Qt::UTC);
               row.dayKey = columnText(select, 2);
               row.promptID = columnText(select, 3);
               row.categoryRaw = columnText(select, 4);
               row.creditedWords = sqlite3_column_int64(select, 5);
               row.cipherBody = borrowedBlob(select, 6);
               row.globalId = borrowedBlob(select, 7);
               return visit(row);
           });
}

std::optional<std::vector<qint64>> SealedJournalReader::readEntryIds()
{
    std::vector<qint64> ids;
    const bool read
        = m_reading && eachRow(m_file->db(), "SELECT id FROM entries ORDER BY id", [&](sqlite3_stmt* select) {
              ids.push_back(sqlite3_column_int64(select, 0));
              return true;
          });
    return read ? std::optional(std::move(ids)) : std::nullopt;
}

bool SealedJournalReader::readBodies(const char* sql, const BodyVisitor& visit)
{
    BodyRow row;
    return m_reading && eachRow(m_file->db(), sql, [&](sqlite3_stmt* select) {
               row.entryId = sqlite3_column_int64(select, 0);
               row.at = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(select, 1), Qt::UTC);
               row.wordCount = sqlite3_column_int64(select, 2);
               row.cipherBody = borrowedBlob(select, 3);
               return visit(row);
           });
}

} // namespace wendle
