// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/JournalFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wendle {

namespace {

const char* const kSchema = R"sql(
CREATE TABLE entries (
    id INTEGER PRIMARY KEY,
    date INTEGER,
    day_key TEXT,
    prompt_id TEXT,
    category_raw TEXT,
    cipher_body BLOB,
    credited_words INTEGER NOT NULL DEFAULT 0,
    global_id BLOB,
    sync_mark INTEGER NOT NULL DEFAULT 0,
    stamp_clock INTEGER NOT NULL DEFAULT 0,
    stamp_device BLOB,
    credit_clock INTEGER NOT NULL DEFAULT 0,
    credit_device BLOB
);
CREATE TABLE displaced_bodies (
    id INTEGER PRIMARY KEY,
    entry_id INTEGER NOT NULL,
    cipher_body BLOB NOT NULL,
    displaced_at INTEGER NOT NULL
);
)sql";

// Each later version only adds tables and columns, so an older file moves up in place, one step after another.
const char* const kKeyCheckSchema = R"sql(
CREATE TABLE key_checks (
    id INTEGER PRIMARY KEY,
    sealed_check BLOB NOT NULL,
    created_at INTEGER NOT NULL
);
)sql";

const char* const kVersionSchema = R"sql(
CREATE TABLE entry_versions (
    id INTEGER PRIMARY KEY,
    entry_id INTEGER NOT NULL,
    saved_at INTEGER NOT NULL,
    word_count INTEGER NOT NULL,
    cipher_body BLOB NOT NULL
);
CREATE INDEX entry_versions_by_entry ON entry_versions (entry_id);
)sql";

// The words the user added to the spelling dictionary: private as the entries, so sealed like them.
const char* const kOwnWordSchema = R"sql(
CREATE TABLE own_words (
    id INTEGER PRIMARY KEY,
    sealed_word BLOB NOT NULL
);
)sql";

// Every entry gets a global id, the same on every computer that holds it: 16 random bytes. A new file has the
// column from the start; an older one gains it, and its entries their ids, in the same upgrade.
const char* const kGlobalIdColumn = "ALTER TABLE entries ADD COLUMN global_id BLOB";
const char* const kGlobalIdIndex = R"sql(
UPDATE entries SET global_id = randomblob(16) WHERE global_id IS NULL;
CREATE UNIQUE INDEX entries_by_global_id ON entries (global_id);
)sql";

// What sync needs of each entry (whether its last change here has reached this computer's log, and the stamps of
// its text and credited words) and where reading each other computer's log goes on. An older file's entries start
// with none, so each goes to the log once when sync is turned on.
const char* const kSyncColumns = R"sql(
ALTER TABLE entries ADD COLUMN sync_mark INTEGER NOT NULL DEFAULT 0;
ALTER TABLE entries ADD COLUMN stamp_clock INTEGER NOT NULL DEFAULT 0;
ALTER TABLE entries ADD COLUMN stamp_device BLOB;
ALTER TABLE entries ADD COLUMN credit_clock INTEGER NOT NULL DEFAULT 0;
ALTER TABLE entries ADD COLUMN credit_device BLOB;
)sql";
const char* const kSyncCursorSchema = R"sql(
CREATE TABLE sync_cursors (
    device BLOB PRIMARY KEY,
    segment INTEGER NOT NULL,
    byte_offset INTEGER NOT NULL,
    record INTEGER NOT NULL
);
)sql";

const char* const kCurrentVersion = "PRAGMA user_version = 6";

const QStringList kEntryColumns = {QStringLiteral("id"),
                                   QStringLiteral("date"),
                                   QStringLiteral("day_key"),
                                   QStringLiteral("prompt_id"),
                                   QStringLiteral("category_raw"),
                                   QStringLiteral("cipher_body"),
                                   QStringLiteral("credited_words")};

QString sqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

QString firstColumnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

std::optional<qint64> integerOf(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    std::optional<qint64> value;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return value;
}

bool hasColumns(sqlite3* db, const char* table, const QStringList& wanted)
{
    QStringList columns;
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = QByteArray("PRAGMA table_info(") + table + ')';
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            columns << firstColumnText(statement, 1);
        }
    }
    sqlite3_finalize(statement);
    return std::all_of(wanted.begin(), wanted.end(), [&](const QString& name) { return columns.contains(name); });
}

// A connection that can only read and never checkpoints: whatever it finds, the file and its write-ahead log
// stay byte for byte as they were.
sqlite3* openReadOnly(const QString& path, QString* error)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        *error = QCoreApplication::translate("wendle::JournalFile", "Couldn't open the journal %1: %2.")
                     .arg(path, sqliteMessage(db));
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(db, 5000);
    return db;
}

// The checks that cost the same for any size of file. Returns the schema version of a file fit to open.
std::optional<qint64> validate(sqlite3* db, const QString& path, QString* error)
{
    const std::optional<qint64> version = integerOf(db, "PRAGMA user_version");
    const std::optional<qint64> objects = integerOf(db, "SELECT count(*) FROM sqlite_schema");
    if (!version || !objects) {
        *error = QCoreApplication::translate("wendle::JournalFile", "%1 is not a Wendle journal, or it is damaged: %2.")
                     .arg(path, sqliteMessage(db));
        return std::nullopt;
    }
    if (*version > JournalFile::schemaVersion) {
        *error = QCoreApplication::translate("wendle::JournalFile",
                                             "%1 was written by a newer version of Wendle. Update Wendle to open it.")
                     .arg(path);
        return std::nullopt;
    }
    if (*version == 0 && *objects != 0) {
        *error = QCoreApplication::translate("wendle::JournalFile", "%1 is not a Wendle journal.").arg(path);
        return std::nullopt;
    }
    if (*version >= 1
        && (!hasColumns(db, "entries", kEntryColumns)
            || !hasColumns(db, "displaced_bodies",
                           {QStringLiteral("entry_id"), QStringLiteral("cipher_body"), QStringLiteral("displaced_at")})
            || (*version >= 2
                && !hasColumns(db, "key_checks", {QStringLiteral("sealed_check"), QStringLiteral("created_at")}))
            || (*version >= 3
                && !hasColumns(db, "entry_versions",
                               {QStringLiteral("entry_id"), QStringLiteral("saved_at"), QStringLiteral("word_count"),
                                QStringLiteral("cipher_body")}))
            || (*version >= 4 && !hasColumns(db, "own_words", {QStringLiteral("sealed_word")}))
            || (*version >= 5 && !hasColumns(db, "entries", {QStringLiteral("global_id")}))
            || (*version >= 6
                && (!hasColumns(db, "entries",
                                {QStringLiteral("sync_mark"), QStringLiteral("stamp_clock"),
                                 QStringLiteral("stamp_device"), QStringLiteral("credit_clock"),
                                 QStringLiteral("credit_device")})
                    || !hasColumns(db, "sync_cursors",
                                   {QStringLiteral("device"), QStringLiteral("segment"), QStringLiteral("byte_offset"),
                                    QStringLiteral("record")}))))) {
        *error = QCoreApplication::translate("wendle::JournalFile",
                                             "%1 is not a Wendle journal: its tables are not the expected ones.")
                     .arg(path);
        return std::nullopt;
    }
    return version;
}

// Takes away whatever `allowed` does not allow and never adds a permission: a journal its owner made
// read-only stays read-only (and is refused as such) rather than being quietly made writable.
void tightenPermissions(const QString& file, mode_t allowed)
{
    const QByteArray name = QFile::encodeName(file);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) == 0 && (info.st_mode & 07777 & ~allowed) != 0) {
        ::chmod(name.constData(), info.st_mode & allowed);
    }
}

// A journal that could not be saved to is refused before anything is changed: the file, its folder (where
// SQLite makes its log) and any log or shared-memory file left from before must all be writable.
bool checkWritable(const QString& path, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    for (const QString& file : {path, folder, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")}) {
        const QByteArray name = QFile::encodeName(file);
        const bool required = file == path || file == folder;
        if (!required && ::access(name.constData(), F_OK) != 0) {
            continue;
        }
        if (::access(name.constData(), W_OK) != 0) {
            *error = QCoreApplication::translate("wendle::JournalFile",
                                                 "Couldn't open the journal %1: %2 cannot be written (%3).")
                         .arg(path,
                              file == folder
                                  ? QCoreApplication::translate("wendle::JournalFile", "its folder %1").arg(folder)
                                  : file,
                              QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
    }
    return true;
}

// Creates the folder and an empty file with owner-only modes, so SQLite (which copies the database's mode
// to its WAL and shared-memory files) never creates anything world-readable.
bool createPrivateFile(const QString& path, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QCoreApplication::translate("wendle::JournalFile", "Couldn't create the folder %1.").arg(folder);
        return false;
    }
    tightenPermissions(folder, 0700);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QCoreApplication::translate("wendle::JournalFile", "Couldn't create the journal %1: %2.")
                     .arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    ::close(fd);
    return true;
}

bool execOn(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

std::unique_ptr<JournalFile> JournalFile::open(const QString& path, QString* error)
{
    if (!QFileInfo::exists(path) && !createPrivateFile(path, error)) {
        return nullptr;
    }
    if (!checkWritable(path, error)) {
        return nullptr;
    }
    sqlite3* db = openReadOnly(path, error);
    if (!db) {
        return nullptr;
    }
    std::unique_ptr<JournalFile> file(new JournalFile(path, db));
    if (!validate(db, path, error)) {
        return nullptr;
    }
    return file;
}

JournalFile::JournalFile(QString path, sqlite3* db)
    : m_path(std::move(path))
    , m_db(db)
{
    sqlite3_extended_result_codes(m_db, 1);
}

JournalFile::~JournalFile()
{
    sqlite3_close_v2(m_db);
}

bool JournalFile::makeWritable(QString* error)
{
    if (m_writable) {
        return true;
    }
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    auto closeOnFailure = qScopeGuard([db] { sqlite3_close_v2(db); });
    if (opened != SQLITE_OK) {
        *error = QCoreApplication::translate("wendle::JournalFile", "Couldn't open the journal %1: %2.")
                     .arg(m_path, sqliteMessage(db));
        return false;
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_extended_result_codes(db, 1);

    for (const char* suffix : {"", "-wal", "-shm"}) {
        tightenPermissions(m_path + QLatin1String(suffix), 0600);
    }
    if (!execOn(db, "PRAGMA journal_mode = WAL") || !execOn(db, "PRAGMA synchronous = FULL")) {
        *error = QCoreApplication::translate("wendle::JournalFile", "Couldn't open the journal %1: %2.")
                     .arg(m_path, sqliteMessage(db));
        return false;
    }
    if (integerOf(db, "PRAGMA user_version").value_or(0) == 0) {
        const bool created = execOn(db, "BEGIN IMMEDIATE") && execOn(db, kSchema) && execOn(db, kKeyCheckSchema)
            && execOn(db, kVersionSchema) && execOn(db, kOwnWordSchema) && execOn(db, kGlobalIdIndex)
            && execOn(db, kSyncCursorSchema) && execOn(db, kCurrentVersion) && execOn(db, "COMMIT");
        if (!created) {
            *error = QCoreApplication::translate("wendle::JournalFile", "Couldn't create the journal %1: %2.")
                         .arg(m_path, sqliteMessage(db));
            execOn(db, "ROLLBACK");
            return false;
        }
    }
    closeOnFailure.dismiss();
    sqlite3_close_v2(m_db);
    m_db = db;
    m_writable = true;
    return true;
}

std::optional<QString> JournalFile::findDamage() const
{
    sqlite3_stmt* check = nullptr;
    QString verdict;
    if (sqlite3_prepare_v2(m_db, "PRAGMA quick_check(1)", -1, &check, nullptr) == SQLITE_OK
        && sqlite3_step(check) == SQLITE_ROW) {
        verdict = firstColumnText(check, 0);
    } else {
        verdict = lastError();
    }
    sqlite3_finalize(check);
    if (verdict != QLatin1String("ok")) {
        return QCoreApplication::translate("wendle::JournalFile", "%1 is not a Wendle journal, or it is damaged: %2.")
            .arg(m_path, verdict);
    }
    return std::nullopt;
}

bool JournalFile::upgradeSchema()
{
    if (!m_writable || sqlite3_get_autocommit(m_db)) {
        return false;
    }
    const int from = version();
    return (from >= 2 || exec(kKeyCheckSchema)) && (from >= 3 || exec(kVersionSchema))
        && (from >= 4 || exec(kOwnWordSchema)) && (from >= 5 || (exec(kGlobalIdColumn) && exec(kGlobalIdIndex)))
        && (from >= 6 || (exec(kSyncColumns) && exec(kSyncCursorSchema))) && exec(kCurrentVersion);
}

int JournalFile::version() const
{
    return static_cast<int>(queryInteger("PRAGMA user_version").value_or(0));
}

bool JournalFile::exec(const char* sql)
{
    return execOn(m_db, sql);
}

std::optional<qint64> JournalFile::queryInteger(const char* sql) const
{
    return integerOf(m_db, sql);
}

QString JournalFile::lastError() const
{
    return sqliteMessage(m_db);
}

QString JournalFile::failureReason() const
{
    switch (sqlite3_errcode(m_db) & 0xff) {
    case SQLITE_FULL:
        return QCoreApplication::translate("wendle::JournalFile", "the disk is full");
    case SQLITE_READONLY:
        return QCoreApplication::translate("wendle::JournalFile", "the journal is read-only");
    case SQLITE_IOERR:
        return QCoreApplication::translate("wendle::JournalFile", "the disk reported an error");
    default:
        return lastError();
    }
}

} // namespace wendle
