// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryStore.h"

#include "journal/EntryCrypto.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QStandardPaths>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wendle {

namespace {

enum StatementIndex
{
    insertEntry,
    updateEntry,
    insertDisplaced,
    selectDisplaced,
    insertKeyCheck
};

const char* const kSchema = R"sql(
CREATE TABLE entries (
    id INTEGER PRIMARY KEY,
    date INTEGER,
    day_key TEXT,
    prompt_id TEXT,
    category_raw TEXT,
    cipher_body BLOB,
    credited_words INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE displaced_bodies (
    id INTEGER PRIMARY KEY,
    entry_id INTEGER NOT NULL,
    cipher_body BLOB NOT NULL,
    displaced_at INTEGER NOT NULL
);
)sql";

// Version 2 adds the key checks and changes nothing else, so a version-1 file moves up in place.
const char* const kKeyCheckSchema = R"sql(
CREATE TABLE key_checks (
    id INTEGER PRIMARY KEY,
    sealed_check BLOB NOT NULL,
    created_at INTEGER NOT NULL
);
PRAGMA user_version = 2;
)sql";

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

// The reason a write failed, as the user would put it.
QString failureReason(sqlite3* db)
{
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_FULL:
        return QStringLiteral("the disk is full");
    case SQLITE_READONLY:
        return QStringLiteral("the journal is read-only");
    case SQLITE_IOERR:
        return QStringLiteral("the disk reported an error");
    default:
        return sqliteMessage(db);
    }
}

QString columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

QByteArray columnBlob(sqlite3_stmt* statement, int column)
{
    const void* blob = sqlite3_column_blob(statement, column);
    return blob ? QByteArray(static_cast<const char*>(blob), sqlite3_column_bytes(statement, column)) : QByteArray();
}

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void bindBlob(sqlite3_stmt* statement, int index, const QByteArray& blob)
{
    sqlite3_bind_blob(statement, index, blob.constData(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
}

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A single-value query; nothing when the statement fails (for one, when the file is not a database).
std::optional<qint64> queryInteger(sqlite3* db, const char* sql)
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

QStringList columnsOf(sqlite3* db, const char* table)
{
    QStringList columns;
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = QByteArray("PRAGMA table_info(") + table + ')';
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            columns << columnText(statement, 1);
        }
    }
    sqlite3_finalize(statement);
    return columns;
}

bool hasColumns(sqlite3* db, const char* table, const QStringList& wanted)
{
    const QStringList columns = columnsOf(db, table);
    return std::all_of(wanted.begin(), wanted.end(), [&](const QString& name) { return columns.contains(name); });
}

// Judges a file through a connection that can only read and never checkpoints, so whatever the verdict, the
// file and its write-ahead log stay byte for byte as they were. Returns the schema version of a file fit to open.
std::optional<qint64> validate(const QString& path, QString* error)
{
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const auto close = qScopeGuard([db] { sqlite3_close_v2(db); });
    if (opened != SQLITE_OK) {
        *error = QStringLiteral("Couldn't open the journal %1: %2.").arg(path, sqliteMessage(db));
        return std::nullopt;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(db, 5000);

    const std::optional<qint64> version = queryInteger(db, "PRAGMA user_version");
    const std::optional<qint64> objects = queryInteger(db, "SELECT count(*) FROM sqlite_schema");
    if (!version || !objects) {
        *error = QStringLiteral("%1 is not a Wendle journal, or it is damaged: %2.").arg(path, sqliteMessage(db));
        return std::nullopt;
    }
    if (*version > EntryStore::schemaVersion) {
        *error = QStringLiteral("%1 was written by a newer version of Wendle. Update Wendle to open it.").arg(path);
        return std::nullopt;
    }
    if (*version == 0 && *objects != 0) {
        *error = QStringLiteral("%1 is not a Wendle journal.").arg(path);
        return std::nullopt;
    }
    if (*version >= 1
        && (!hasColumns(db, "entries", kEntryColumns)
            || !hasColumns(db, "displaced_bodies",
                           {QStringLiteral("entry_id"), QStringLiteral("cipher_body"), QStringLiteral("displaced_at")})
            || (*version >= 2
                && !hasColumns(db, "key_checks", {QStringLiteral("sealed_check"), QStringLiteral("created_at")})))) {
        *error = QStringLiteral("%1 is not a Wendle journal: its tables are not the expected ones.").arg(path);
        return std::nullopt;
    }

    sqlite3_stmt* check = nullptr;
    QString verdict;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr) == SQLITE_OK
        && sqlite3_step(check) == SQLITE_ROW) {
        verdict = columnText(check, 0);
    } else {
        verdict = sqliteMessage(db);
    }
    sqlite3_finalize(check);
    if (verdict != QLatin1String("ok")) {
        *error = QStringLiteral("%1 is not a Wendle journal, or it is damaged: %2.").arg(path, verdict);
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
            *error = QStringLiteral("Couldn't open the journal %1: %2 cannot be written (%3).")
                         .arg(path, file == folder ? QStringLiteral("its folder %1").arg(folder) : file,
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
        *error = QStringLiteral("Couldn't create the folder %1.").arg(folder);
        return false;
    }
    tightenPermissions(folder, 0700);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error
            = QStringLiteral("Couldn't create the journal %1: %2.").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

QString EntryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/wendle/journal.sqlite");
}

std::unique_ptr<EntryStore> EntryStore::open(const QString& path, QString* error, const Clock& clock)
{
    QString ignored;
    if (!error) {
        error = &ignored;
    }
    const bool existed = QFileInfo::exists(path);
    if (!existed && !createPrivateFile(path, error)) {
        return nullptr;
    }

    if (!checkWritable(path, error)) {
        return nullptr;
    }
    const std::optional<qint64> version = validate(path, error);
    if (!version) {
        return nullptr;
    }

    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<EntryStore> store(new EntryStore(path, db, clock));
    if (opened != SQLITE_OK) {
        *error = QStringLiteral("Couldn't open the journal %1: %2.").arg(path, sqliteMessage(db));
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_extended_result_codes(db, 1);

    for (const char* suffix : {"", "-wal", "-shm"}) {
        tightenPermissions(path + QLatin1String(suffix), 0600);
    }
    if (!exec(db, "PRAGMA journal_mode = WAL") || !exec(db, "PRAGMA synchronous = FULL")) {
        *error = QStringLiteral("Couldn't open the journal %1: %2.").arg(path, sqliteMessage(db));
        return nullptr;
    }
    if (*version == 0) {
        const bool created
            = exec(db, "BEGIN IMMEDIATE") && exec(db, kSchema) && exec(db, kKeyCheckSchema) && exec(db, "COMMIT");
        if (!created) {
            *error = QStringLiteral("Couldn't create the journal %1: %2.").arg(path, sqliteMessage(db));
            exec(db, "ROLLBACK");
            return nullptr;
        }
    }
    if (!store->load(error)) {
        return nullptr;
    }
    return store;
}

EntryStore::EntryStore(QString path, sqlite3* db, const Clock& clock)
    : m_path(std::move(path))
    , m_db(db)
    , m_clock(clock)
{
    m_retry.setInterval(retryMilliseconds);
    connect(&m_retry, &QTimer::timeout, this, &EntryStore::save);
}

EntryStore::~EntryStore()
{
    if (m_db && hasUnsavedChanges()) {
        // The last attempt: the owner checks `hasUnsavedChanges()` first and reports what is lost.
        static_cast<void>(save());
    }
    for (sqlite3_stmt* statement : m_statements) {
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(m_db);
}

bool EntryStore::load(QString* error)
{
    sqlite3_stmt* select = nullptr;
    const char* sql = "SELECT id, date, day_key, prompt_id, category_raw, cipher_body, credited_words "
                      "FROM entries ORDER BY id";
    if (sqlite3_prepare_v2(m_db, sql, -1, &select, nullptr) != SQLITE_OK) {
        *error = QStringLiteral("Couldn't read the journal %1: %2.").arg(m_path, sqliteMessage(m_db));
        sqlite3_finalize(select);
        return false;
    }
    int step;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
        std::unique_ptr<Entry> entry(new Entry);
        entry->m_id = sqlite3_column_int64(select, 0);
        entry->m_date = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(select, 1), Qt::UTC);
        entry->m_dayKey = columnText(select, 2);
        entry->m_promptID = columnText(select, 3);
        entry->m_categoryRaw = columnText(select, 4);
        entry->m_cipherBody = columnBlob(select, 5);
        entry->m_creditedWords = sqlite3_column_int64(select, 6);
        entry->m_stored = true;
        m_order.push_back(entry.get());
        m_owned.push_back(std::move(entry));
    }
    sqlite3_finalize(select);
    if (step != SQLITE_DONE) {
        *error = QStringLiteral("Couldn't read the journal %1: %2.").arg(m_path, sqliteMessage(m_db));
        return false;
    }
    m_storedSchemaVersion = static_cast<int>(queryInteger(m_db, "PRAGMA user_version").value_or(0));
    m_storedDisplacedCount = queryInteger(m_db, "SELECT count(*) FROM displaced_bodies").value_or(0);
    if (m_storedSchemaVersion >= 2) {
        if (sqlite3_prepare_v2(m_db, "SELECT sealed_check FROM key_checks ORDER BY id", -1, &select, nullptr)
            != SQLITE_OK) {
            *error = QStringLiteral("Couldn't read the journal %1: %2.").arg(m_path, sqliteMessage(m_db));
            sqlite3_finalize(select);
            return false;
        }
        while (sqlite3_step(select) == SQLITE_ROW) {
            m_keyChecks.push_back(columnBlob(select, 0));
        }
        sqlite3_finalize(select);
    }
    return true;
}

bool EntryStore::holdsSealedBodies() const
{
    return !m_order.empty() || m_storedDisplacedCount > 0 || !m_pendingDisplaced.empty();
}

bool EntryStore::addKeyCheck(const QByteArray& sealedCheck)
{
    if (!exec(m_db, "BEGIN IMMEDIATE")) {
        return false;
    }
    bool written = m_storedSchemaVersion >= 2 || exec(m_db, kKeyCheckSchema);
    if (written) {
        sqlite3_stmt* insert
            = statement(insertKeyCheck, "INSERT INTO key_checks (sealed_check, created_at) VALUES (?1, ?2)");
        if (insert) {
            bindBlob(insert, 1, sealedCheck);
            sqlite3_bind_int64(insert, 2, m_clock.now().toMSecsSinceEpoch());
            written = sqlite3_step(insert) == SQLITE_DONE;
            sqlite3_reset(insert);
        } else {
            written = false;
        }
    }
    if (!written || !exec(m_db, "COMMIT")) {
        if (!sqlite3_get_autocommit(m_db)) {
            exec(m_db, "ROLLBACK");
        }
        return false;
    }
    m_storedSchemaVersion = schemaVersion;
    m_keyChecks.push_back(sealedCheck);
    return true;
}

std::vector<Entry*> EntryStore::entriesNewestFirst() const
{
    std::vector<Entry*> sorted = m_order;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Entry* a, const Entry* b) { return a->m_date > b->m_date; });
    return sorted;
}

Entry* EntryStore::firstEntry(const QString& dayKey, const QString& promptID) const
{
    const auto found = std::find_if(m_order.begin(), m_order.end(), [&](const Entry* entry) {
        return entry->m_dayKey == dayKey && entry->m_promptID == promptID;
    });
    return found == m_order.end() ? nullptr : *found;
}

Entry* EntryStore::insert(const NewEntry& fields)
{
    Entry* inserted = add(fields);
    announceChange();
    return inserted;
}

std::vector<Entry*> EntryStore::insert(const std::vector<NewEntry>& fields)
{
    std::vector<Entry*> inserted;
    inserted.reserve(fields.size());
    for (const NewEntry& entry : fields) {
        inserted.push_back(add(entry));
    }
    if (!inserted.empty()) {
        announceChange();
    }
    return inserted;
}

Entry* EntryStore::add(const NewEntry& fields)
{
    std::unique_ptr<Entry> entry(new Entry);
    entry->m_date = fields.date.toUTC();
    entry->m_dayKey = fields.dayKey;
    entry->m_promptID = fields.promptID;
    entry->m_categoryRaw = fields.categoryRaw;
    entry->m_cipherBody = fields.cipherBody;
    entry->m_creditedWords = fields.creditedWords;
    Entry* inserted = entry.get();
    m_owned.push_back(std::move(entry));
    m_order.push_back(inserted);
    markDirty(inserted);
    return inserted;
}

void EntryStore::setCreditedWords(Entry* entry, qint64 words)
{
    if (entry->m_creditedWords == words) {
        return;
    }
    entry->m_creditedWords = words;
    markDirty(entry);
    announceChange();
}

void EntryStore::replaceBody(Entry* entry, const QByteArray& cipherBody, const EntryKey& key)
{
    if (!opensUnder(entry->m_cipherBody, key)) {
        m_pendingDisplaced.push_back({entry, entry->m_cipherBody, m_clock.now()});
    }
    entry->m_cipherBody = cipherBody;
    markDirty(entry);
    announceChange();
}

void EntryStore::markDirty(Entry* entry)
{
    if (!entry->m_dirty) {
        entry->m_dirty = true;
        m_dirty.push_back(entry);
    }
}

void EntryStore::announceChange()
{
    ++m_revision;
    Q_EMIT changed();
}

void EntryStore::keepAside(Entry* entry, const QByteArray& cipherBody, const QDateTime& displacedAt)
{
    m_pendingDisplaced.push_back({entry, cipherBody, displacedAt.toUTC()});
    markDirty(entry);
}

bool EntryStore::hasUnsavedChanges() const
{
    return !m_dirty.empty() || !m_pendingDisplaced.empty();
}

bool EntryStore::save()
{
    const QString before = m_saveFailure;
    // Retrying entry by entry helps only when the file took a transaction at all (not busy, not unreadable).
    if (hasUnsavedChanges() && writeTogether(m_dirty) == Written::refused && m_dirty.size() > 1) {
        // One entry that keeps failing must not hold back the others: each goes on its own, failures stay pending.
        for (Entry* entry : std::vector<Entry*>(m_dirty)) {
            writeTogether({entry});
        }
    }
    const bool saved = !hasUnsavedChanges();
    if (saved) {
        m_saveFailure.clear();
        m_retry.stop();
    } else if (!m_retry.isActive()) {
        m_retry.start();
    }
    if (m_saveFailure != before) {
        Q_EMIT saveFailureChanged();
    }
    return saved;
}

EntryStore::Written EntryStore::writeTogether(std::vector<Entry*> entries)
{
    if (!exec(m_db, "BEGIN IMMEDIATE")) {
        m_saveFailure = failureReason(m_db);
        return Written::notStarted;
    }
    std::vector<qint64> ids;
    for (const Entry* entry : entries) {
        const std::optional<qint64> id = writeEntry(*entry);
        if (!id) {
            break;
        }
        ids.push_back(*id);
    }
    if (ids.size() != entries.size() || !exec(m_db, "COMMIT")) {
        m_saveFailure = failureReason(m_db);
        if (!sqlite3_get_autocommit(m_db)) {
            exec(m_db, "ROLLBACK");
        }
        return Written::refused;
    }
    // Only now that the rows are in the file do the entries take their ids and stop being pending.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry* entry = entries[i];
        entry->m_id = ids[i];
        entry->m_dirty = false;
        entry->m_stored = true;
        m_dirty.erase(std::find(m_dirty.begin(), m_dirty.end(), entry));
        const auto kept = std::remove_if(m_pendingDisplaced.begin(), m_pendingDisplaced.end(),
                                         [&](const PendingDisplaced& displaced) { return displaced.entry == entry; });
        m_storedDisplacedCount += std::distance(kept, m_pendingDisplaced.end());
        m_pendingDisplaced.erase(kept, m_pendingDisplaced.end());
    }
    return Written::yes;
}

std::optional<qint64> EntryStore::writeEntry(const Entry& entry)
{
    qint64 id = entry.m_id;
    sqlite3_stmt* write = nullptr;
    if (entry.m_stored) {
        write = statement(updateEntry, "UPDATE entries SET cipher_body = ?1, credited_words = ?2 WHERE id = ?3");
        if (!write) {
            return std::nullopt;
        }
        bindBlob(write, 1, entry.m_cipherBody);
        sqlite3_bind_int64(write, 2, entry.m_creditedWords);
        sqlite3_bind_int64(write, 3, entry.m_id);
    } else {
        // The file picks the id, so rows another program added can never collide with ours.
        write = statement(insertEntry,
                          "INSERT INTO entries (date, day_key, prompt_id, category_raw, cipher_body, credited_words) "
                          "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        if (!write) {
            return std::nullopt;
        }
        sqlite3_bind_int64(write, 1, entry.m_date.toMSecsSinceEpoch());
        bindText(write, 2, entry.m_dayKey);
        bindText(write, 3, entry.m_promptID);
        bindText(write, 4, entry.m_categoryRaw);
        bindBlob(write, 5, entry.m_cipherBody);
        sqlite3_bind_int64(write, 6, entry.m_creditedWords);
    }
    if (sqlite3_step(write) != SQLITE_DONE) {
        return std::nullopt;
    }
    if (!entry.m_stored) {
        id = sqlite3_last_insert_rowid(m_db);
    }
    for (const PendingDisplaced& displaced : m_pendingDisplaced) {
        if (displaced.entry != &entry) {
            continue;
        }
        sqlite3_stmt* insert = statement(insertDisplaced,
                                         "INSERT INTO displaced_bodies (entry_id, cipher_body, "
                                         "displaced_at) VALUES (?1, ?2, ?3)");
        if (!insert) {
            return std::nullopt;
        }
        sqlite3_bind_int64(insert, 1, id);
        bindBlob(insert, 2, displaced.cipherBody);
        sqlite3_bind_int64(insert, 3, displaced.displacedAt.toMSecsSinceEpoch());
        if (sqlite3_step(insert) != SQLITE_DONE) {
            return std::nullopt;
        }
    }
    return id;
}

sqlite3_stmt* EntryStore::statement(int index, const char* sql)
{
    sqlite3_stmt*& cached = m_statements[index];
    if (!cached && sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &cached, nullptr) != SQLITE_OK) {
        sqlite3_finalize(cached);
        cached = nullptr;
        return nullptr;
    }
    sqlite3_reset(cached);
    sqlite3_clear_bindings(cached);
    return cached;
}

std::vector<EntryStore::DisplacedBody> EntryStore::displacedBodies() const
{
    std::vector<DisplacedBody> bodies;
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT entry_id, cipher_body, displaced_at FROM displaced_bodies ORDER BY id", -1,
                           &select, nullptr)
        == SQLITE_OK) {
        QHash<qint64, const Entry*> entryOfId;
        for (const Entry* entry : m_order) {
            if (entry->m_stored) {
                entryOfId.insert(entry->m_id, entry);
            }
        }
        while (sqlite3_step(select) == SQLITE_ROW) {
            const qint64 id = sqlite3_column_int64(select, 0);
            bodies.push_back({id, entryOfId.value(id), columnBlob(select, 1),
                              QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(select, 2), Qt::UTC)});
        }
    }
    sqlite3_finalize(select);
    for (const PendingDisplaced& displaced : m_pendingDisplaced) {
        bodies.push_back({displaced.entry->m_id, displaced.entry, displaced.cipherBody, displaced.displacedAt});
    }
    return bodies;
}

} // namespace wendle
