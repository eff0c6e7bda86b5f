// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/recover/JournalReader.h"

#include "journal/EntryCrypto.h"
#include "journal/SqlColumns.h"
#include "journal/SyncId.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <memory>
#include <sys/stat.h>
#include <utility>

namespace wendle {

namespace {

struct CloseDatabase
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

struct FinalizeStatement
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

QString sqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

Statement prepare(sqlite3* db, const QByteArray& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

/** The size of the regular file at `path`; nothing when there is none. */
std::optional<qint64> regularFileSize(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return qint64(info.st_size);
}

/** What tells a file that changed from one that did not: its identity, size and time of change. */
std::optional<std::array<qint64, 4>> fileState(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return std::array<qint64, 4>{qint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec),
                                 qint64(info.st_mtim.tv_nsec)};
}

bool copyLimited(const QString& from, const QString& to, QString* error)
{
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("Couldn't copy %1 to read it: %2.").arg(from, source.errorString());
        return false;
    }
    qint64 copied = 0;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(qint64(1) << 20);
        copied += chunk.size();
        if (chunk.isEmpty() || copied > JournalReader::maxFileBytes || target.write(chunk) != chunk.size()) {
            *error = copied > JournalReader::maxFileBytes
                ? QStringLiteral("%1 is too large (more than %2 GiB).").arg(from).arg(JournalReader::maxFileBytes >> 30)
                : QStringLiteral("Couldn't copy %1 to read it: %2.").arg(from, source.errorString());
            return false;
        }
    }
    return true;
}

/**
 * Copies the journal and its log to `copied`. A checkpoint between the two copies would pair a database and a
 * log of different moments, so the copy is made again until neither file changed while it was made.
 */
bool copyWithLog(const QString& path, const QString& copied, QString* error)
{
    const QString log = path + QStringLiteral("-wal");
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto before = std::make_pair(fileState(path), fileState(log));
        if (!copyLimited(path, copied, error) || !copyLimited(log, copied + QStringLiteral("-wal"), error)) {
            return false;
        }
        if (std::make_pair(fileState(path), fileState(log)) == before) {
            return true;
        }
    }
    *error = QStringLiteral("The journal %1 kept changing while it was copied to be read: close Wendle and try "
                            "again.")
                 .arg(path);
    return false;
}

/** The journal, open for reading only, and the private copy it may have been read from. */
struct OpenJournal
{
    std::unique_ptr<QTemporaryDir> copy;
    Database db;
};

std::optional<OpenJournal> openJournal(const QString& path, QString* error)
{
    const std::optional<qint64> size = regularFileSize(path);
    if (!size) {
        *error = QStringLiteral("%1 is not a file.").arg(path);
        return std::nullopt;
    }
    if (*size > JournalReader::maxFileBytes) {
        *error = QStringLiteral("%1 is too large (more than %2 GiB).").arg(path).arg(JournalReader::maxFileBytes >> 30);
        return std::nullopt;
    }
    OpenJournal journal;
    QByteArray name;
    int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    const QString log = path + QStringLiteral("-wal");
    if (regularFileSize(log).value_or(0) > 0) {
        // The copy is ours alone: SQLite may build its index of the log beside it.
        journal.copy = std::make_unique<QTemporaryDir>();
        const QString copied = journal.copy->filePath(QStringLiteral("journal.sqlite"));
        if (!journal.copy->isValid() || !copyWithLog(path, copied, error)) {
            return std::nullopt;
        }
        name = QFile::encodeName(copied);
        flags = SQLITE_OPEN_READWRITE;
    } else {
        name = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?immutable=1";
    }
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    journal.db.reset(db);
    if (opened != SQLITE_OK) {
        *error = QStringLiteral("Couldn't open the journal %1: %2.").arg(path, sqliteMessage(db));
        return std::nullopt;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, JournalReader::maxFieldBytes);
    return journal;
}

QStringList columnsOf(sqlite3* db, const char* table)
{
    QStringList columns;
    if (Statement info = prepare(db, QByteArray("PRAGMA table_info(") + table + ')')) {
        while (sqlite3_step(info.get()) == SQLITE_ROW) {
            columns << columnText(info.get(), 1);
        }
    }
    return columns;
}

/** `SELECT` of the columns wanted, each in its place; a column the table lacks reads as NULL. */
QByteArray selectKnown(const QStringList& present, const QStringList& wanted, const char* table)
{
    QStringList fields;
    for (const QString& column : wanted) {
        fields << (present.contains(column) ? column : QStringLiteral("NULL"));
    }
    QByteArray sql = "SELECT " + fields.join(QStringLiteral(", ")).toUtf8() + " FROM " + table;
    if (present.contains(QStringLiteral("id"))) {
        sql += " ORDER BY id";
    }
    return sql;
}

bool hasEntryColumns(const QStringList& present)
{
    const QStringList required{QStringLiteral("date"), QStringLiteral("day_key"), QStringLiteral("cipher_body")};
    return std::all_of(required.begin(), required.end(), [&](const QString& name) { return present.contains(name); });
}

bool readEntries(sqlite3* db, const QStringList& present, JournalRows& rows)
{
    const QStringList wanted{QStringLiteral("date"),        QStringLiteral("day_key"),
                             QStringLiteral("prompt_id"),   QStringLiteral("category_raw"),
                             QStringLiteral("cipher_body"), QStringLiteral("credited_words"),
                             QStringLiteral("global_id")};
    Statement select = prepare(db, selectKnown(present, wanted, "entries"));
    if (!select) {
        return false;
    }
    int step;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
        sqlite3_stmt* row = select.get();
        SealedEntry entry;
        entry.fields.date = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(row, 0), Qt::UTC);
        entry.fields.dayKey = columnText(row, 1);
        entry.fields.promptID = columnText(row, 2);
        entry.fields.categoryRaw = columnText(row, 3);
        entry.cipherBody = columnBlob(row, 4);
        entry.fields.creditedWords = sqlite3_column_int64(row, 5);
        // Only an id of the right length is carried into the recovered files; a journal before ids has none.
        if (QByteArray id = columnBlob(row, 6); SyncId::isValid(id)) {
            entry.fields.globalId = std::move(id);
        }
        rows.entries.push_back(std::move(entry));
    }
    return step == SQLITE_DONE;
}

/** Every row's `column` of `table`; nothing to read when the journal has no such table (an older one). */
bool readBlobs(sqlite3* db, const char* table, const QString& column, std::vector<QByteArray>& blobs)
{
    const QStringList present = columnsOf(db, table);
    if (present.isEmpty()) {
        return true;
    }
    if (!present.contains(column)) {
        return false;
    }
    Statement select = prepare(db, selectKnown(present, {column}, table));
    if (!select) {
        return false;
    }
    int step;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
        blobs.push_back(columnBlob(select.get(), 0));
    }
    return step == SQLITE_DONE;
}

/** The rows of `table`; none when the journal has no such table (an older one). */
std::optional<qint64> countRows(sqlite3* db, const char* table)
{
    if (columnsOf(db, table).isEmpty()) {
        return 0;
    }
    Statement count = prepare(db, QByteArray("SELECT count(*) FROM ") + table);
    if (!count || sqlite3_step(count.get()) != SQLITE_ROW) {
        return std::nullopt;
    }
    return sqlite3_column_int64(count.get(), 0);
}

} // namespace

std::optional<JournalRows> JournalReader::read(const QString& path, QString* error)
{
    std::optional<OpenJournal> journal = openJournal(path, error);
    if (!journal) {
        return std::nullopt;
    }
    sqlite3* db = journal->db.get();
    Statement version = prepare(db, "PRAGMA user_version");
    if (!version || sqlite3_step(version.get()) != SQLITE_ROW) {
        *error = QStringLiteral("%1 is not a Wendle journal, or it is damaged: %2.").arg(path, sqliteMessage(db));
        return std::nullopt;
    }
    if (sqlite3_column_int64(version.get(), 0) < 1) {
        *error = QStringLiteral("%1 is not a Wendle journal.").arg(path);
        return std::nullopt;
    }
    const QStringList entryColumns = columnsOf(db, "entries");
    if (!hasEntryColumns(entryColumns)) {
        *error = QStringLiteral("%1 is not a Wendle journal: it has no table of entries.").arg(path);
        return std::nullopt;
    }
    JournalRows rows;
    const std::optional<qint64> versions = countRows(db, "entry_versions");
    if (!versions || !readEntries(db, entryColumns, rows)
        || !readBlobs(db, "key_checks", QStringLiteral("sealed_check"), rows.keyChecks)
        || !readBlobs(db, "displaced_bodies", QStringLiteral("cipher_body"), rows.displacedBodies)) {
        *error = QStringLiteral("Couldn't read the journal %1: %2.").arg(path, sqliteMessage(db));
        return std::nullopt;
    }
    rows.versionCount = *versions;
    return rows;
}

bool keyOpensJournal(const JournalRows& rows, const EntryKey& key)
{
    const auto opens = [&](const QByteArray& body) { return opensUnder(body, key); };
    if (!rows.keyChecks.empty()) {
        return std::any_of(rows.keyChecks.begin(), rows.keyChecks.end(), opens);
    }
    const bool sealedNothing = rows.entries.empty() && rows.displacedBodies.empty();
    return sealedNothing
        || std::any_of(rows.entries.begin(), rows.entries.end(),
                       [&](const SealedEntry& entry) { return opens(entry.cipherBody); })
        || std::any_of(rows.displacedBodies.begin(), rows.displacedBodies.end(), opens);
}

} // namespace wendle
