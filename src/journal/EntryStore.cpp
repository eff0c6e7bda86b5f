// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryStore.h"

#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/SqlColumns.h"
#include "journal/SyncId.h"
#include "journal/SystemLog.h"
#include "journal/SystemTimeZone.h"
#include "journal/VersionThinning.h"
#include "journal/WordCount.h"

#include <QCoreApplication>
#include <QHash>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <syslog.h>
#include <utility>

namespace wendle {

namespace {

enum StatementIndex
{
    insertEntry,
    updateEntry,
    updateCredit,
    insertDisplaced,
    copyDisplaced,
    insertKeyCheck,
    insertOwnWord,
    selectBody,
    insertVersion,
    reuseVersion,
    selectVersionStamps,
    deleteVersion,
    selectVersions,
    selectVersionBody,
    writeCursor,
    statementCount
};

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void bindBlob(sqlite3_stmt* statement, int index, const QByteArray& blob)
{
    sqlite3_bind_blob(statement, index, blob.constData(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
}

// A stamp's clock in SQLite's signed integers, bit for bit.
void bindStamp(sqlite3_stmt* statement, int index, const SyncStamp& stamp)
{
    sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(stamp.clock));
    bindBlob(statement, index + 1, stamp.device);
}

SyncStamp columnStamp(sqlite3_stmt* statement, int column)
{
    return {static_cast<quint64>(sqlite3_column_int64(statement, column)), columnBlob(statement, column + 1)};
}

// The text of a body that opens under `key`; nothing for one that does not.
std::optional<QString> openedText(const QByteArray& body, const EntryKey& key)
{
    try {
        return openEntryText(body, key);
    } catch (const std::exception&) {
        return std::nullopt;
    }
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
    std::unique_ptr<EntryStore> store = openUnchecked(path, error, clock);
    if (!store) {
        return nullptr;
    }
    store->finishCheck(read(*store->m_file));
    if (store->m_integrity != Integrity::sound) {
        *error = store->m_refusal;
        return nullptr;
    }
    return store;
}

std::unique_ptr<EntryStore> EntryStore::openUnchecked(const QString& path, QString* error, const Clock& clock)
{
    QString ignored;
    std::unique_ptr<JournalFile> file = JournalFile::open(path, error ? error : &ignored);
    return file ? std::unique_ptr<EntryStore>(new EntryStore(std::move(file), clock)) : nullptr;
}

EntryStore::EntryStore(std::unique_ptr<JournalFile> file, const Clock& clock)
    : m_file(std::move(file))
    , m_clock(clock)
{
    m_retry.setInterval(retryMilliseconds);
    connect(&m_retry, &QTimer::timeout, this, &EntryStore::save);
}

EntryStore::~EntryStore()
{
    if (m_checker) {
        // The check reads through its own connection; it ends quickly and must not outlive the file's owner.
        m_checker->wait();
    }
    if (m_file->isWritable() && hasUnsavedChanges()) {
        // The last attempt: the owner checks `hasUnsavedChanges()` first and reports what is lost.
        static_cast<void>(save());
    }
    finalizeStatements();
}

QString EntryStore::path() const
{
    return m_file->path();
}

void EntryStore::checkIntegrity()
{
    if (m_integrity != Integrity::unchecked || m_checker) {
        return;
    }
    auto reading = std::make_shared<Reading>();
    m_checker.reset(QThread::create([path = m_file->path(), reading] {
        // A connection of its own: this thread shares nothing with the store's.
        std::unique_ptr<JournalFile> file = JournalFile::open(path, &reading->refusal);
        if (file) {
            *reading = read(*file);
        }
    }));
    connect(m_checker.get(), &QThread::finished, this, [this, reading] {
        // `finished` comes from the thread's last moments: let it end before it goes.
        m_checker->wait();
        m_checker.reset();
        finishCheck(std::move(*reading));
    });
    m_checker->start();
}

EntryStore::Reading EntryStore::read(const JournalFile& file)
{
    Reading reading;
    if (std::optional<QString> damage = file.findDamage()) {
        reading.refusal = *damage;
        return reading;
    }
    // A new file has no tables until it is opened for writing.
    const int version = file.version();
    if (version == 0) {
        return reading;
    }
    const auto failed = [&] {
        reading.refusal = QCoreApplication::translate("wendle::EntryStore", "Couldn't read the journal %1: %2.")
                              .arg(file.path(), file.lastError());
        reading.entries.clear();
        return std::move(reading);
    };
    sqlite3_stmt* select = nullptr;
    // The bodies stay in the file: nothing before unlocking needs them, and they are most of it.
    // An older file's entries have no global id until the upgrade gives them one (adoptGlobalIds).
    const char* sql = version >= 6
        ? "SELECT id, date, day_key, prompt_id, category_raw, credited_words, global_id, sync_mark, stamp_clock, "
          "stamp_device, credit_clock, credit_device FROM entries ORDER BY id"
        : version == 5 ? "SELECT id, date, day_key, prompt_id, category_raw, credited_words, global_id, 0, 0, NULL, 0, "
                         "NULL FROM entries ORDER BY id"
                       : "SELECT id, date, day_key, prompt_id, category_raw, credited_words, NULL, 0, 0, NULL, 0, NULL "
                         "FROM entries ORDER BY id";
    if (sqlite3_prepare_v2(file.db(), sql, -1, &select, nullptr) != SQLITE_OK) {
        sqlite3_finalize(select);
        return failed();
    }
    int step;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
        std::unique_ptr<Entry> entry(new Entry);
        entry->m_id = sqlite3_column_int64(select, 0);
        entry->m_date = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(select, 1), Qt::UTC);
        entry->m_dayKey = columnText(select, 2);
        entry->m_promptID = columnText(select, 3);
        entry->m_categoryRaw = columnText(select, 4);
        entry->m_creditedWords = sqlite3_column_int64(select, 5);
        entry->m_globalId = columnBlob(select, 6);
        entry->m_logMark = static_cast<quint8>(sqlite3_column_int64(select, 7) & 0xff);
        entry->m_stamp = columnStamp(select, 8);
        entry->m_creditStamp = columnStamp(select, 10);
        entry->m_stored = true;
        reading.entries.push_back(std::move(entry));
    }
    sqlite3_finalize(select);
    if (step != SQLITE_DONE) {
        return failed();
    }
    reading.displacedCount = file.queryInteger("SELECT count(*) FROM displaced_bodies").value_or(0);
    if (version >= 2) {
        if (sqlite3_prepare_v2(file.db(), "SELECT sealed_check FROM key_checks ORDER BY id", -1, &select, nullptr)
            != SQLITE_OK) {
            sqlite3_finalize(select);
            return failed();
        }
        while (sqlite3_step(select) == SQLITE_ROW) {
            reading.keyChecks.push_back(columnBlob(select, 0));
        }
        sqlite3_finalize(select);
    }
    if (version >= 4) {
        if (sqlite3_prepare_v2(file.db(), "SELECT sealed_word FROM own_words ORDER BY id", -1, &select, nullptr)
            != SQLITE_OK) {
            sqlite3_finalize(select);
            return failed();
        }
        while (sqlite3_step(select) == SQLITE_ROW) {
            reading.ownWords.push_back(columnBlob(select, 0));
        }
        sqlite3_finalize(select);
    }
    return reading;
}

void EntryStore::finishCheck(Reading reading)
{
    const bool writable = reading.refusal.isEmpty() && m_file->makeWritable(&reading.refusal);
    if (!writable) {
        m_refusal = reading.refusal;
        m_integrity = Integrity::refused;
        Q_EMIT integrityChecked();
        return;
    }
    // Statements made for the reading connection do not serve the writing one.
    finalizeStatements();
    // Entries made in the meantime (none, while unlocking waits for this) come after the file's.
    std::vector<Entry*> inserted = std::move(m_order);
    m_order.clear();
    for (std::unique_ptr<Entry>& entry : reading.entries) {
        entry->m_store = this;
        if (!entry->m_globalId.isEmpty()) {
            m_byGlobalId.insert(entry->m_globalId, entry.get());
        }
        m_order.push_back(entry.get());
        m_owned.push_back(std::move(entry));
    }
    m_order.insert(m_order.end(), inserted.begin(), inserted.end());
    m_keyChecks = std::move(reading.keyChecks);
    m_ownWords = std::move(reading.ownWords);
    m_storedDisplacedCount = reading.displacedCount;
    m_integrity = Integrity::sound;
    if (!m_order.empty()) {
        announceChange();
    }
    Q_EMIT integrityChecked();
    if (hasUnsavedChanges()) {
        // What was held back is written now; a failure is retried and reported like any other save's.
        static_cast<void>(save());
    }
}

QByteArray Entry::cipherBody() const
{
    return m_store->loadBody(*this).value_or(QByteArray());
}

const std::optional<QByteArray>& EntryStore::loadBody(const Entry& entry)
{
    if (entry.m_cipherBody) {
        return entry.m_cipherBody;
    }
    entry.m_cipherBody = readRowBody(entry.m_id);
    if (!entry.m_cipherBody) {
        // Never empty text in its place: that could be saved over the real body.
        logToSystem(LOG_ERR,
                    QStringLiteral("the text of entry %1 could not be read from the journal %2: %3")
                        .arg(QString::number(entry.m_id), path(), m_file->lastError()));
    }
    return entry.m_cipherBody;
}

std::optional<QByteArray> EntryStore::readRowBody(qint64 id) const
{
    std::optional<QByteArray> body;
    if (sqlite3_stmt* select = statement(selectBody, "SELECT cipher_body FROM entries WHERE id = ?1")) {
        sqlite3_bind_int64(select, 1, id);
        if (sqlite3_step(select) == SQLITE_ROW) {
            body = columnBlob(select, 0);
        }
        sqlite3_reset(select);
    }
    return body;
}

int EntryStore::storedSchemaVersion() const
{
    return m_file->version();
}

bool EntryStore::holdsSealedBodies() const
{
    return !m_order.empty() || m_storedDisplacedCount > 0 || !m_pendingDisplaced.empty();
}

bool EntryStore::writeAlone(const std::function<bool()>& write)
{
    if (!m_file->isWritable() || !m_file->exec("BEGIN IMMEDIATE")) {
        return false;
    }
    const bool written = bringSchemaUp() && write();
    if (!written || !m_file->exec("COMMIT")) {
        rollBack();
        return false;
    }
    adoptGlobalIds();
    return true;
}

bool EntryStore::bringSchemaUp()
{
    if (m_schemaCurrent) {
        return true;
    }
    const bool upgrading = m_file->version() < schemaVersion;
    // Rows another program added have no global id: they get one as an upgrade gives the others theirs.
    if ((upgrading && !m_file->upgradeSchema())
        || !m_file->exec("UPDATE entries SET global_id = randomblob(16) WHERE global_id IS NULL")) {
        return false;
    }
    m_idsToAdopt = upgrading || sqlite3_changes(m_file->db()) > 0;
    return true;
}

void EntryStore::adoptGlobalIds()
{
    if (!std::exchange(m_idsToAdopt, false)) {
        return;
    }
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(m_file->db(), "SELECT id, global_id FROM entries", -1, &select, nullptr) == SQLITE_OK) {
        QHash<qint64, QByteArray> given;
        while (sqlite3_step(select) == SQLITE_ROW) {
            given.insert(sqlite3_column_int64(select, 0), columnBlob(select, 1));
        }
        for (Entry* entry : m_order) {
            if (entry->m_stored && entry->m_globalId.isEmpty()) {
                entry->m_globalId = given.value(entry->m_id);
                m_byGlobalId.insert(entry->m_globalId, entry);
            }
        }
    }
    sqlite3_finalize(select);
}

bool EntryStore::addKeyCheck(const QByteArray& sealedCheck)
{
    const bool written = writeAlone([&] {
        sqlite3_stmt* insert
            = statement(insertKeyCheck, "INSERT INTO key_checks (sealed_check, created_at) VALUES (?1, ?2)");
        if (!insert) {
            return false;
        }
        bindBlob(insert, 1, sealedCheck);
        sqlite3_bind_int64(insert, 2, m_clock.now().toMSecsSinceEpoch());
        const bool inserted = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        return inserted;
    });
    if (written) {
        m_keyChecks.push_back(sealedCheck);
    }
    return written;
}

bool EntryStore::addOwnWord(const QByteArray& sealedWord)
{
    const bool written = writeAlone([&] {
        sqlite3_stmt* insert = statement(insertOwnWord, "INSERT INTO own_words (sealed_word) VALUES (?1)");
        if (!insert) {
            return false;
        }
        bindBlob(insert, 1, sealedWord);
        const bool inserted = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        return inserted;
    });
    if (written) {
        m_ownWords.push_back(sealedWord);
    }
    return written;
}

bool EntryStore::resealColumn(const char* table, const char* column, const Reseal& reseal,
                              const std::function<void(qint64, const QByteArray&, bool)>& row)
{
    const QByteArray select = QByteArrayLiteral("SELECT id, ") + column + " FROM " + table + " ORDER BY id";
    const QByteArray update = QByteArrayLiteral("UPDATE ") + table + " SET " + column + " = ?1 WHERE id = ?2";
    sqlite3_stmt* rows = nullptr;
    sqlite3_stmt* write = nullptr;
    bool ok = sqlite3_prepare_v2(m_file->db(), select.constData(), -1, &rows, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(m_file->db(), update.constData(), -1, &write, nullptr) == SQLITE_OK;
    int step = SQLITE_DONE;
    while (ok && (step = sqlite3_step(rows)) == SQLITE_ROW) {
        const qint64 id = sqlite3_column_int64(rows, 0);
        const QByteArray value = columnBlob(rows, 1);
        std::optional<QByteArray> sealed;
        try {
            sealed = reseal(value);
        } catch (const std::exception&) {
            ok = false;
            break;
        }
        if (sealed) {
            bindBlob(write, 1, *sealed);
            sqlite3_bind_int64(write, 2, id);
            ok = sqlite3_step(write) == SQLITE_DONE;
            sqlite3_reset(write);
        }
        row(id, sealed.value_or(value), sealed.has_value());
    }
    ok = ok && step == SQLITE_DONE;
    sqlite3_finalize(rows);
    sqlite3_finalize(write);
    return ok;
}

bool EntryStore::resealAll(const Reseal& reseal)
{
    if (!m_file->isWritable() || !save()) {
        return false;
    }
    QHash<qint64, QByteArray> bodies;
    std::vector<QByteArray> words;
    std::vector<QByteArray> checks;
    const auto none = [](qint64, const QByteArray&, bool) {};
    const bool written = writeAlone([&] {
        words.clear();
        checks.clear();
        return resealColumn("entries", "cipher_body", reseal,
                            [&](qint64 id, const QByteArray& body, bool resealed) {
                                if (resealed) {
                                    bodies.insert(id, body);
                                }
                            })
            && resealColumn("entry_versions", "cipher_body", reseal, none)
            && resealColumn("displaced_bodies", "cipher_body", reseal, none)
            && resealColumn("own_words", "sealed_word", reseal,
                            [&](qint64, const QByteArray& word, bool) { words.push_back(word); })
            && resealColumn("key_checks", "sealed_check", reseal,
                            [&](qint64, const QByteArray& check, bool) { checks.push_back(check); });
    });
    if (!written) {
        return false;
    }
    m_ownWords = std::move(words);
    m_keyChecks = std::move(checks);
    for (Entry* entry : m_order) {
        if (const auto body = bodies.constFind(entry->m_id); body != bodies.constEnd()) {
            entry->m_cipherBody = *body;
        }
    }
    announceChange();
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
    // Ids are unique in a journal: one that is malformed or already taken gives way to a fresh one.
    entry->m_globalId = SyncId::isValid(fields.globalId) && !m_byGlobalId.contains(fields.globalId) ? fields.globalId
                                                                                                    : SyncId::random();
    m_byGlobalId.insert(entry->m_globalId, entry.get());
    entry->m_store = this;
    entry->m_bodyDirty = true;
    Entry* inserted = entry.get();
    m_owned.push_back(std::move(entry));
    m_order.push_back(inserted);
    markDirty(inserted);
    if (fields.synced) {
        inserted->m_stamp = fields.synced->stamp;
        inserted->m_creditStamp = fields.synced->creditStamp;
    } else {
        markForLog(inserted, Entry::awaitsLog | Entry::creditChanged);
    }
    return inserted;
}

void EntryStore::setCreditedWords(Entry* entry, qint64 words)
{
    if (entry->m_creditedWords == words) {
        return;
    }
    entry->m_creditedWords = words;
    markForLog(entry, Entry::awaitsLog | Entry::creditChanged);
    markDirty(entry);
    announceChange();
}

void EntryStore::replaceBody(Entry* entry, const QByteArray& cipherBody, const EntryKey& key)
{
    // The same text again (a screen saving what it loaded) is no change: nothing to write, and no record that
    // would outrank another computer's real edit made meanwhile.
    if (const std::optional<QByteArray>& current = loadBody(*entry)) {
        const std::optional<QString> currentText = openedText(*current, key);
        if (currentText && openedText(cipherBody, key) == currentText) {
            return;
        }
    }
    swapBody(entry, cipherBody, key, false);
    markForLog(entry, Entry::awaitsLog);
    announceChange();
}

void EntryStore::swapBody(Entry* entry, const QByteArray& cipherBody, const EntryKey& key, bool keepUnsaved)
{
    // A body the file cannot give now is kept aside as well, copied from its row when the new one is written.
    const std::optional<QByteArray>& current = loadBody(*entry);
    const std::optional<QString> currentText = current ? openedText(*current, key) : std::nullopt;
    if (!currentText) {
        m_pendingDisplaced.push_back({entry, current, m_clock.now()});
    } else if (entry->m_stored && !entry->m_bodyDirty) {
        if (openedText(cipherBody, key) != currentText) {
            // Only the body the file holds becomes a version: texts replaced before it was saved were never kept.
            m_pendingVersions.push_back({entry, *current, countWords(*currentText)});
        }
    } else if (keepUnsaved && openedText(cipherBody, key) != currentText) {
        // Written with the entry, as a version brought back from a backup is, when the save that replaces it comes.
        m_restoredVersions.push_back({entry, *current, m_clock.now(), countWords(*currentText)});
    }
    entry->m_cipherBody = cipherBody;
    entry->m_bodyDirty = true;
    markDirty(entry);
}

void EntryStore::markForLog(Entry* entry, quint8 bits)
{
    entry->m_logMark |= bits;
    ++entry->m_logRevision;
}

std::vector<Entry*> EntryStore::entriesAwaitingLog() const
{
    std::vector<Entry*> waiting;
    for (Entry* entry : m_order) {
        if ((entry->m_logMark != 0 || entry->m_stamp.device.isEmpty()) && !entry->m_dirty) {
            waiting.push_back(entry);
        }
    }
    return waiting;
}

void EntryStore::setSyncStamps(Entry* entry, const SyncStamp& stamp, const SyncStamp& creditStamp)
{
    entry->m_stamp = stamp;
    entry->m_creditStamp = creditStamp;
}

void EntryStore::markLogged(Entry* entry, quint64 logRevision)
{
    if (entry->m_logRevision == logRevision) {
        entry->m_logMark = 0;
        markDirty(entry);
    }
}

void EntryStore::takeSyncedBody(Entry* entry, const QByteArray& cipherBody, const EntryKey& key, const SyncStamp& stamp)
{
    swapBody(entry, cipherBody, key, true);
    entry->m_stamp = stamp;
    announceChange();
}

void EntryStore::takeSyncedCredit(Entry* entry, qint64 words, const SyncStamp& creditStamp)
{
    entry->m_creditedWords = words;
    entry->m_creditStamp = creditStamp;
    markDirty(entry);
    announceChange();
}

QHash<QByteArray, SyncCursor> EntryStore::syncCursors() const
{
    QHash<QByteArray, SyncCursor> cursors;
    sqlite3_stmt* select = nullptr;
    // An older file has no cursors until its upgrade; the statement then cannot be made.
    if (sqlite3_prepare_v2(m_file->db(), "SELECT device, segment, byte_offset, record FROM sync_cursors", -1, &select,
                           nullptr)
        == SQLITE_OK) {
        while (sqlite3_step(select) == SQLITE_ROW) {
            cursors.insert(columnBlob(select, 0),
                           {static_cast<quint32>(sqlite3_column_int64(select, 1)),
                            static_cast<quint64>(sqlite3_column_int64(select, 2)),
                            static_cast<quint32>(sqlite3_column_int64(select, 3))});
        }
    }
    sqlite3_finalize(select);
    return cursors;
}

bool EntryStore::setSyncCursors(const QHash<QByteArray, SyncCursor>& cursors)
{
    return writeAlone([&] {
        for (auto at = cursors.constBegin(); at != cursors.constEnd(); ++at) {
            sqlite3_stmt* write = statement(writeCursor,
                                            "INSERT OR REPLACE INTO sync_cursors (device, segment, byte_offset, "
                                            "record) VALUES (?1, ?2, ?3, ?4)");
            if (!write) {
                return false;
            }
            bindBlob(write, 1, at.key());
            sqlite3_bind_int64(write, 2, at->segment);
            sqlite3_bind_int64(write, 3, static_cast<sqlite3_int64>(at->offset));
            sqlite3_bind_int64(write, 4, at->record);
            if (sqlite3_step(write) != SQLITE_DONE) {
                return false;
            }
        }
        return true;
    });
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
    if (m_groupDepth > 0) {
        m_changedInGroup = true;
        return;
    }
    Q_EMIT changed();
}

EntryStore::ChangeGroup::ChangeGroup(EntryStore& store)
    : m_store(store)
{
    ++m_store.m_groupDepth;
}

EntryStore::ChangeGroup::~ChangeGroup()
{
    if (--m_store.m_groupDepth == 0 && std::exchange(m_store.m_changedInGroup, false)) {
        Q_EMIT m_store.changed();
    }
}

void EntryStore::keepAside(Entry* entry, const QByteArray& cipherBody, const QDateTime& displacedAt)
{
    m_pendingDisplaced.push_back({entry, cipherBody, displacedAt.toUTC()});
    markDirty(entry);
}

void EntryStore::addVersion(Entry* entry, const QByteArray& cipherBody, const QDateTime& savedAt, qint64 wordCount)
{
    m_restoredVersions.push_back({entry, cipherBody, savedAt.toUTC(), wordCount});
    markDirty(entry);
}

bool EntryStore::hasUnsavedChanges() const
{
    return !m_dirty.empty() || !m_pendingDisplaced.empty();
}

bool EntryStore::save()
{
    if (!m_file->isWritable()) {
        // Written once the file is found sound (finishCheck); never to a file that is not.
        return !hasUnsavedChanges();
    }
    const QString before = m_saveFailure;
    const std::size_t pending = m_dirty.size();
    // Retrying entry by entry helps only when the file took a transaction at all (not busy, not unreadable).
    if (hasUnsavedChanges() && writeTogether(m_dirty) == Written::refused && m_dirty.size() > 1) {
        // One entry that keeps failing must not hold back the others: each goes on its own, failures stay pending.
        for (Entry* entry : std::vector<Entry*>(m_dirty)) {
            writeTogether({entry});
        }
    }
    const bool allSaved = !hasUnsavedChanges();
    if (allSaved) {
        m_saveFailure.clear();
        m_retry.stop();
    } else if (!m_retry.isActive()) {
        m_retry.start();
    }
    if (m_saveFailure != before) {
        Q_EMIT saveFailureChanged();
    }
    if (m_dirty.size() < pending) {
        Q_EMIT saved();
    }
    return allSaved;
}

EntryStore::Written EntryStore::writeTogether(std::vector<Entry*> entries)
{
    if (!m_file->exec("BEGIN IMMEDIATE")) {
        m_saveFailure = m_file->failureReason();
        return Written::notStarted;
    }
    // An older file gains this build's tables in the same transaction as the first save that may need them.
    std::vector<qint64> ids;
    if (bringSchemaUp()) {
        for (const Entry* entry : entries) {
            const std::optional<qint64> id = writeEntry(*entry);
            if (!id) {
                break;
            }
            ids.push_back(*id);
        }
    }
    if (ids.size() != entries.size() || !m_file->exec("COMMIT")) {
        m_saveFailure = m_file->failureReason();
        rollBack();
        return Written::refused;
    }
    m_schemaCurrent = true;
    adoptGlobalIds();
    // Only now that the rows are in the file do the entries take their ids and stop being pending.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry* entry = entries[i];
        entry->m_id = ids[i];
        entry->m_dirty = false;
        entry->m_bodyDirty = false;
        entry->m_stored = true;
        m_dirty.erase(std::find(m_dirty.begin(), m_dirty.end(), entry));
        const auto kept = std::remove_if(m_pendingDisplaced.begin(), m_pendingDisplaced.end(),
                                         [&](const PendingDisplaced& displaced) { return displaced.entry == entry; });
        m_storedDisplacedCount += std::distance(kept, m_pendingDisplaced.end());
        m_pendingDisplaced.erase(kept, m_pendingDisplaced.end());
        std::erase_if(m_pendingVersions, [&](const PendingVersion& version) { return version.entry == entry; });
        std::erase_if(m_restoredVersions, [&](const RestoredVersion& version) { return version.entry == entry; });
    }
    return Written::yes;
}

std::optional<qint64> EntryStore::writeEntry(const Entry& entry)
{
    if (!entry.m_stored) {
        // The file picks the id, so rows another program added can never collide with ours.
        sqlite3_stmt* insert
            = statement(insertEntry,
                        "INSERT INTO entries (date, day_key, prompt_id, category_raw, cipher_body, credited_words, "
                        "global_id, sync_mark, stamp_clock, stamp_device, credit_clock, credit_device) "
                        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
        if (!insert) {
            return std::nullopt;
        }
        sqlite3_bind_int64(insert, 1, entry.m_date.toMSecsSinceEpoch());
        bindText(insert, 2, entry.m_dayKey);
        bindText(insert, 3, entry.m_promptID);
        bindText(insert, 4, entry.m_categoryRaw);
        bindBlob(insert, 5, entry.m_cipherBody.value_or(QByteArray()));
        sqlite3_bind_int64(insert, 6, entry.m_creditedWords);
        bindBlob(insert, 7, entry.m_globalId);
        sqlite3_bind_int(insert, 8, entry.m_logMark);
        bindStamp(insert, 9, entry.m_stamp);
        bindStamp(insert, 11, entry.m_creditStamp);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            return std::nullopt;
        }
        const qint64 id = sqlite3_last_insert_rowid(m_file->db());
        return writeDisplaced(entry, id) && writeRestoredVersions(entry, id) ? std::optional<qint64>(id) : std::nullopt;
    }
    // Bodies kept aside go first: one copied from the row must be copied before the row changes.
    if (!writeDisplaced(entry, entry.m_id) || !writeVersions(entry) || !writeRestoredVersions(entry, entry.m_id)) {
        return std::nullopt;
    }
    sqlite3_stmt* update = nullptr;
    if (entry.m_bodyDirty) {
        update
            = statement(updateEntry,
                        "UPDATE entries SET cipher_body = ?1, credited_words = ?2, sync_mark = ?4, stamp_clock = ?5, "
                        "stamp_device = ?6, credit_clock = ?7, credit_device = ?8 WHERE id = ?3");
        if (update) {
            bindBlob(update, 1, entry.m_cipherBody.value_or(QByteArray()));
        }
    } else {
        // A body that was never read, or did not change, stays as the file holds it.
        update
            = statement(updateCredit,
                        "UPDATE entries SET credited_words = ?2, sync_mark = ?4, stamp_clock = ?5, stamp_device = ?6, "
                        "credit_clock = ?7, credit_device = ?8 WHERE id = ?3");
    }
    if (!update) {
        return std::nullopt;
    }
    sqlite3_bind_int64(update, 2, entry.m_creditedWords);
    sqlite3_bind_int64(update, 3, entry.m_id);
    sqlite3_bind_int(update, 4, entry.m_logMark);
    bindStamp(update, 5, entry.m_stamp);
    bindStamp(update, 7, entry.m_creditStamp);
    if (sqlite3_step(update) != SQLITE_DONE) {
        return std::nullopt;
    }
    return entry.m_id;
}

bool EntryStore::writeDisplaced(const Entry& entry, qint64 id)
{
    for (const PendingDisplaced& displaced : m_pendingDisplaced) {
        if (displaced.entry != &entry) {
            continue;
        }
        sqlite3_stmt* insert = nullptr;
        if (displaced.cipherBody) {
            insert
                = statement(insertDisplaced,
                            "INSERT INTO displaced_bodies (entry_id, cipher_body, displaced_at) VALUES (?1, ?3, ?2)");
            if (insert) {
                bindBlob(insert, 3, *displaced.cipherBody);
            }
        } else {
            insert = statement(copyDisplaced,
                               "INSERT INTO displaced_bodies (entry_id, cipher_body, displaced_at) "
                               "SELECT id, cipher_body, ?2 FROM entries WHERE id = ?1");
        }
        if (!insert) {
            return false;
        }
        sqlite3_bind_int64(insert, 1, id);
        sqlite3_bind_int64(insert, 2, displaced.displacedAt.toMSecsSinceEpoch());
        if (sqlite3_step(insert) != SQLITE_DONE) {
            return false;
        }
    }
    return true;
}

bool EntryStore::writeVersions(const Entry& entry)
{
    const auto pending = std::find_if(m_pendingVersions.begin(), m_pendingVersions.end(),
                                      [&](const PendingVersion& version) { return version.entry == &entry; });
    if (pending == m_pendingVersions.end()) {
        return true;
    }
    sqlite3_stmt* select
        = statement(selectVersionStamps, "SELECT id, saved_at FROM entry_versions WHERE entry_id = ?1");
    if (!select) {
        return false;
    }
    sqlite3_bind_int64(select, 1, entry.m_id);
    std::vector<VersionStamp> stamps;
    int step;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
        stamps.push_back({sqlite3_column_int64(select, 0),
                          QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(select, 1), Qt::UTC)});
    }
    sqlite3_reset(select);
    if (step != SQLITE_DONE) {
        return false;
    }
    // The new version is thinned with the others before it is written; on a tie in time it counts as the newest.
    constexpr qint64 newVersion = std::numeric_limits<qint64>::max();
    const QDateTime now = m_clock.now();
    stamps.push_back({newVersion, now});
    const Calendar& calendar = currentCalendar();
    std::vector<qint64> dropped = VersionThinning::thinnedOut(
        std::move(stamps), now, [&](const QDateTime& moment) { return journalDayOf(moment, calendar); });
    const auto droppedNew = std::find(dropped.begin(), dropped.end(), newVersion);
    const bool keepNew = droppedNew == dropped.end();
    if (!keepNew) {
        dropped.erase(droppedNew);
    }
    if (keepNew) {
        // A version thinned out (all are this entry's) gives its row to the new one, the newest first: while
        // typing, the one of the same ten minutes. The save then writes one row of versions and leaves the index
        // alone, where an insert and a delete would each change the table and the index.
        const bool reuse = !dropped.empty();
        sqlite3_stmt* write = reuse
            ? statement(reuseVersion,
                        "UPDATE entry_versions SET saved_at = ?2, word_count = ?3, cipher_body = ?4 WHERE id = ?5")
            : statement(insertVersion,
                        "INSERT INTO entry_versions (entry_id, saved_at, word_count, cipher_body) "
                        "VALUES (?1, ?2, ?3, ?4)");
        if (!write) {
            return false;
        }
        sqlite3_bind_int64(write, 1, entry.m_id);
        sqlite3_bind_int64(write, 2, now.toMSecsSinceEpoch());
        sqlite3_bind_int64(write, 3, pending->wordCount);
        bindBlob(write, 4, pending->cipherBody);
        if (reuse) {
            sqlite3_bind_int64(write, 5, dropped.front());
            dropped.erase(dropped.begin());
        }
        if (sqlite3_step(write) != SQLITE_DONE) {
            return false;
        }
    }
    for (const qint64 id : dropped) {
        sqlite3_stmt* drop = statement(deleteVersion, "DELETE FROM entry_versions WHERE id = ?1");
        if (!drop) {
            return false;
        }
        sqlite3_bind_int64(drop, 1, id);
        if (sqlite3_step(drop) != SQLITE_DONE) {
            return false;
        }
    }
    return true;
}

bool EntryStore::writeRestoredVersions(const Entry& entry, qint64 id)
{
    for (const RestoredVersion& version : m_restoredVersions) {
        if (version.entry != &entry) {
            continue;
        }
        sqlite3_stmt* insert = statement(insertVersion,
                                         "INSERT INTO entry_versions (entry_id, saved_at, word_count, cipher_body) "
                                         "VALUES (?1, ?2, ?3, ?4)");
        if (!insert) {
            return false;
        }
        sqlite3_bind_int64(insert, 1, id);
        sqlite3_bind_int64(insert, 2, version.savedAt.toMSecsSinceEpoch());
        sqlite3_bind_int64(insert, 3, version.wordCount);
        bindBlob(insert, 4, version.cipherBody);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            return false;
        }
    }
    return true;
}

const Calendar& EntryStore::currentCalendar()
{
    // Making an ICU calendar costs more than the rest of the thinning: one is kept while the user's stays the same.
    const QString localeId = systemLocaleId();
    const QString timeZoneId = systemTimeZoneId();
    if (!m_calendar || m_calendar->localeId() != localeId || m_calendar->timeZoneId() != timeZoneId) {
        m_calendar = std::make_unique<Calendar>(Calendar::make(localeId, timeZoneId));
        m_journalDays.clear();
    }
    return *m_calendar;
}

QString EntryStore::journalDayOf(const QDateTime& moment, const Calendar& calendar)
{
    // Bounded: a long session saves many moments, each remembered only for the saves of the same entry.
    constexpr qsizetype maxRemembered = 4096;
    const qint64 key = moment.toMSecsSinceEpoch();
    if (const auto known = m_journalDays.constFind(key); known != m_journalDays.constEnd()) {
        return *known;
    }
    if (m_journalDays.size() >= maxRemembered) {
        m_journalDays.clear();
    }
    return *m_journalDays.insert(key, journalDayKey(moment, calendar));
}

std::vector<EntryStore::Version> EntryStore::versions(const Entry& entry) const
{
    std::vector<Version> found;
    // A file older than the versions' table has none; the statement then cannot be made.
    sqlite3_stmt* select = entry.m_stored ? statement(selectVersions,
                                                      "SELECT id, saved_at, word_count FROM entry_versions "
                                                      "WHERE entry_id = ?1 ORDER BY saved_at DESC, id DESC")
                                          : nullptr;
    if (!select) {
        return found;
    }
    sqlite3_bind_int64(select, 1, entry.m_id);
    while (sqlite3_step(select) == SQLITE_ROW) {
        found.push_back({sqlite3_column_int64(select, 0),
                         QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(select, 1), Qt::UTC),
                         sqlite3_column_int64(select, 2)});
    }
    sqlite3_reset(select);
    return found;
}

std::optional<QByteArray> EntryStore::versionBody(qint64 versionId) const
{
    std::optional<QByteArray> body;
    if (sqlite3_stmt* select = statement(selectVersionBody, "SELECT cipher_body FROM entry_versions WHERE id = ?1")) {
        sqlite3_bind_int64(select, 1, versionId);
        if (sqlite3_step(select) == SQLITE_ROW) {
            body = columnBlob(select, 0);
        }
        sqlite3_reset(select);
    }
    return body;
}

void EntryStore::rollBack()
{
    m_idsToAdopt = false;
    if (!sqlite3_get_autocommit(m_file->db())) {
        (void)m_file->exec("ROLLBACK");
    }
}

sqlite3_stmt* EntryStore::statement(int index, const char* sql) const
{
    static_assert(statementCount == std::size(decltype(m_statements){}));
    sqlite3_stmt*& cached = m_statements[index];
    if (!cached
        && sqlite3_prepare_v3(m_file->db(), sql, -1, SQLITE_PREPARE_PERSISTENT, &cached, nullptr) != SQLITE_OK) {
        sqlite3_finalize(cached);
        cached = nullptr;
        return nullptr;
    }
    sqlite3_reset(cached);
    sqlite3_clear_bindings(cached);
    return cached;
}

void EntryStore::finalizeStatements()
{
    for (sqlite3_stmt*& statement : m_statements) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
}

std::vector<EntryStore::DisplacedBody> EntryStore::displacedBodies() const
{
    std::vector<DisplacedBody> bodies;
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(m_file->db(), "SELECT entry_id, cipher_body, displaced_at FROM displaced_bodies ORDER BY id",
                           -1, &select, nullptr)
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
        // One to be copied from its row is still the row's body, as far as the file can give it.
        const QByteArray body
            = displaced.cipherBody ? *displaced.cipherBody : readRowBody(displaced.entry->m_id).value_or(QByteArray());
        bodies.push_back({displaced.entry->m_id, displaced.entry, body, displaced.displacedAt});
    }
    return bodies;
}

} // namespace wendle
