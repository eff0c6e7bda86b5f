// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrialJournals.h"
#include "XDesktop.h"

#include "journal/Clock.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
#include "transfer/JournalBackup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sqlite3.h>

namespace wendle {

namespace {

const QStringList kItemAttributes
    = {QStringLiteral("server"), entryKeyItem.service, QStringLiteral("user"), entryKeyItem.account};

bool secretTool(const QStringList& arguments, const QByteArray& input = {}, QByteArray* output = nullptr)
{
    QProcess tool;
    startTool(tool, QStringLiteral("secret-tool"), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    const bool ok = tool.waitForFinished(15000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (output) {
        *output = tool.readAllStandardOutput();
    }
    return ok;
}

/** A read-only connection that never checkpoints, so looking leaves the file and its log as they were. */
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString& path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        }
    }
    ~ReadOnlyFile() { sqlite3_close_v2(m_db); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    /** Calls `row` for every row of `sql`; false when the query fails. */
    template <typename Row> bool each(const char* sql, Row row)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement);
            return false;
        }
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            row(statement);
        }
        sqlite3_finalize(statement);
        return step == SQLITE_DONE;
    }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

private:
    sqlite3* m_db = nullptr;
};

QString oldEntryText(int index)
{
    QString text = QStringLiteral("Old entry %1.").arg(index);
    for (int word = 0; word < 20 + index % 40; ++word) {
        text += QStringLiteral(" word%1").arg((index * 7 + word) % 97);
    }
    return text;
}

} // namespace

std::shared_ptr<const EntryKey> keyringKey()
{
    QByteArray stored;
    if (!secretTool(QStringList{QStringLiteral("lookup")} + kItemAttributes, {}, &stored) || stored.isEmpty()) {
        return nullptr;
    }
    return EntryKey::fromBytes(QByteArray::fromBase64(stored.trimmed()));
}

bool storeKeyringKey(const EntryKey& key)
{
    clearKeyringKey();
    const QByteArray bytes(reinterpret_cast<const char*>(key.data()), key.length());
    return secretTool(QStringList{QStringLiteral("store"), QStringLiteral("--label=crash trials")} + kItemAttributes
                          + QStringList{QStringLiteral("type"), QStringLiteral("base64")},
                      bytes.toBase64());
}

void clearKeyringKey()
{
    secretTool(QStringList{QStringLiteral("clear")} + kItemAttributes);
}

QString integrityOf(const QString& path)
{
    ReadOnlyFile file(path);
    QStringList found;
    if (!file.each("PRAGMA integrity_check", [&](sqlite3_stmt* row) {
            found << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(row, 0)));
        })) {
        return file.error();
    }
    return found.join(QStringLiteral("; "));
}

qint64 queryNumber(const QString& path, const char* sql)
{
    ReadOnlyFile file(path);
    qint64 value = -1;
    return file.each(sql, [&](sqlite3_stmt* row) { value = sqlite3_column_int64(row, 0); }) ? value : -1;
}

bool copyJournal(const QString& from, const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    return QDir().mkpath(folder)
        && QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)
        && QFile::copy(from, path) && QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

OldJournal OldJournal::write(const QString& path, const EntryKey& key, int entries)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode = WAL;"
                 "CREATE TABLE entries (id INTEGER PRIMARY KEY, date INTEGER, day_key TEXT, prompt_id TEXT,"
                 " category_raw TEXT, cipher_body BLOB, credited_words INTEGER NOT NULL DEFAULT 0);"
                 "CREATE TABLE displaced_bodies (id INTEGER PRIMARY KEY, entry_id INTEGER NOT NULL,"
                 " cipher_body BLOB NOT NULL, displaced_at INTEGER NOT NULL);"
                 "PRAGMA user_version = 1;"
                 "BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO entries (date, day_key, prompt_id, category_raw, cipher_body) "
                       "VALUES (?1, ?2, 'freeform', 'freeform', ?3)",
                       -1, &insert, nullptr);
    OldJournal journal{path, {}, {}};
    const QDate first(2015, 1, 1);
    for (int i = 0; i < entries; ++i) {
        const QDate day = first.addDays(i);
        const QString text = oldEntryText(i);
        const QByteArray dayKey = day.toString(Qt::ISODate).toUtf8();
        const QByteArray body = sealEntryText(text, key);
        sqlite3_bind_int64(insert, 1, QDateTime(day, QTime(20, 0), Qt::UTC).toMSecsSinceEpoch());
        sqlite3_bind_text(insert, 2, dayKey.constData(), int(dayKey.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 3, body.constData(), int(body.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        journal.words.push_back(countWords(text));
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    // The last connection to close folds the log into the file, so the file alone is the whole journal.
    sqlite3_close(db);
    journal.rowsDigest = digestRows(path);
    return journal;
}

QByteArray OldJournal::digestRows(const QString& path)
{
    ReadOnlyFile file(path);
    QCryptographicHash digest(QCryptographicHash::Sha256);
    const bool read
        = file.each("SELECT id, date, day_key, prompt_id, category_raw, cipher_body FROM entries ORDER BY id",
                    [&](sqlite3_stmt* row) {
                        for (int column = 0; column < 6; ++column) {
                            digest.addData(QByteArrayView(static_cast<const char*>(sqlite3_column_blob(row, column)),
                                                          sqlite3_column_bytes(row, column)));
                            digest.addData(QByteArrayView("|"));
                        }
                    });
    return read ? digest.result() : QByteArray();
}

std::vector<qint64> OldJournal::creditedWords(const QString& path)
{
    ReadOnlyFile file(path);
    std::vector<qint64> words;
    file.each("SELECT credited_words FROM entries ORDER BY id",
              [&](sqlite3_stmt* row) { words.push_back(sqlite3_column_int64(row, 0)); });
    return words;
}

RestoreFixture RestoreFixture::write(const QString& folder, const EntryKey& key, int entries)
{
    RestoreFixture fixture{QDir(folder).filePath(QStringLiteral("trials.wendlebackup")),
                           QStringLiteral("crash trials passphrase"),
                           {},
                           QDir(folder).filePath(QStringLiteral("restore/wendle/journal.sqlite"))};
    const QDate first(2010, 1, 1);
    for (int i = 0; i < entries; ++i) {
        const QDate day = first.addDays(i);
        const QString text = oldEntryText(i) + QStringLiteral(" (from the backup)");
        fixture.contents.entries.push_back(
            {{QDateTime(day, QTime(21, 0), Qt::UTC), day.toString(Qt::ISODate), QStringLiteral("freeform"),
              QStringLiteral("freeform"), countWords(text), text},
             {}});
    }
    // A few bodies kept aside come with their entries, all or none.
    const std::shared_ptr<const EntryKey> lost = EntryKey::random();
    for (int i = 0; i < std::min(entries, 5); ++i) {
        fixture.contents.displaced.push_back({i, sealEntryText(QStringLiteral("an older text %1").arg(i), *lost),
                                              QDateTime(first.addDays(i), QTime(22, 0), Qt::UTC)});
    }
    if (!writeBackupFile(fixture.backupPath, fixture.contents, fixture.passphrase, {10, 8, 1}).error.isEmpty()) {
        return {};
    }

    QString error;
    std::unique_ptr<EntryStore> store = EntryStore::open(fixture.journalPath, &error);
    if (!store || !store->addKeyCheck(sealKeyCheck(key))) {
        return {};
    }
    for (int i = 0; i < 3; ++i) {
        const QDate day(2024, 3, 1 + i);
        const QString text = QStringLiteral("Written before the restore, day %1.").arg(i + 1);
        store->insert(NewEntry{QDateTime(day, QTime(8, 0), Qt::UTC), day.toString(Qt::ISODate),
                               QStringLiteral("freeform"), QStringLiteral("freeform"), sealEntryText(text, key),
                               countWords(text)});
    }
    return store->save() ? fixture : RestoreFixture{};
}

VersionedJournal VersionedJournal::write(const QString& path, const EntryKey& key, const BackupContents& contents)
{
    VersionedJournal journal{path, 0, 0, {}, {}};
    // Each earlier version of the long entry is saved on a day of its own, so the thinning keeps all three.
    ManualClock clock(QDateTime(QDate(2024, 1, 1), QTime(12, 0), Qt::UTC));
    QString error;
    std::unique_ptr<EntryStore> store = EntryStore::open(path, &error, clock);
    if (!store || !store->addKeyCheck(sealKeyCheck(key))) {
        return {};
    }
    std::vector<NewEntry> fields;
    for (const BackupRecord& backedUp : contents.entries) {
        fields.push_back(backedUp.record.sealedAs(sealEntryText(*backedUp.record.text, key)));
    }
    const QString longText = QStringLiteral("A long entry, written over four days. ").repeated(4000);
    fields.push_back({clock.now(), QStringLiteral("2024-01-01"), QStringLiteral("freeform"), QStringLiteral("freeform"),
                      sealEntryText(longText + QStringLiteral("Day 1."), key), countWords(longText)});
    const std::vector<Entry*> entries = store->insert(fields);
    if (!store->save()) {
        return {};
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(100, contents.entries.size()); ++i) {
        store->replaceBody(entries[i],
                           sealEntryText(*contents.entries[i].record.text + QStringLiteral(" (edited)"), key), key);
    }
    for (int day = 2; day <= 4; ++day) {
        clock.advance(24 * 3600);
        journal.versionTexts.prepend(longText + QStringLiteral("Day %1.").arg(day - 1));
        store->replaceBody(entries.back(), sealEntryText(longText + QStringLiteral("Day %1.").arg(day), key), key);
        if (!store->save()) {
            return {};
        }
    }
    journal.currentText = longText + QStringLiteral("Day 4.");
    journal.entries = store->entries().size();
    journal.versions = std::min<std::size_t>(100, contents.entries.size()) + 3;
    return journal;
}

} // namespace wendle
