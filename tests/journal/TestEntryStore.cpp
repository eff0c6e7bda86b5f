// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include "FailingVfs.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

using namespace wendle;
using wendle::test::FailingVfs;

namespace {

QDateTime moment(int day, int hour)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, 0), Qt::UTC);
}

NewEntry newEntry(const QString& text, const EntryKey& key, const QString& dayKey = QStringLiteral("2024-03-05"),
                  const QString& promptID = QStringLiteral("memory-001"), const QDateTime& date = moment(5, 9))
{
    return {date, dayKey, promptID, QStringLiteral("memory"), sealEntryText(text, key), 0};
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int modeOf(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

void runSql(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// Leaves the statements' commits in the write-ahead log, as a program that is still running (or was killed) does.
void runSqlKeepingLog(const QString& path, const QByteArray& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    QCOMPARE(sqlite3_exec(db, ("PRAGMA journal_mode = WAL; " + sql).constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

QString querySql(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    QString result;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

} // namespace

class TestEntryStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void entriesSurviveReopening();
    void fileIsPrivateAndDurable();
    void rowsWrittenByTheSchemaLoad();
    void failedSaveKeepsEveryWord();
    void closingRetriesAFailedSave();
    void oneFailingEntryHoldsBackNoOther();
    void unreadableBodiesAreKeptAside();
    void foreignFilesAreNeverTouched_data();
    void foreignFilesAreNeverTouched();
    void damagedJournalIsReportedAndLeftAlone();
    void findsTheFirstEntryOfADayAndPrompt();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::shared_ptr<const EntryKey> m_key = EntryKey::random();
};

void TestEntryStore::initTestCase()
{
    FailingVfs::install();
}

void TestEntryStore::init()
{
    FailingVfs::setFailing(false);
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("data/wendle/journal.sqlite"));
}

void TestEntryStore::entriesSurviveReopening()
{
    QString error;
    QByteArray firstBody;
    {
        auto store = EntryStore::open(m_path, &error);
        QVERIFY2(store, qPrintable(error));
        QVERIFY(store->entries().empty());
        QSignalSpy changed(store.get(), &EntryStore::changed);

        Entry* first = store->insert(newEntry(QStringLiteral("first words"), *m_key));
        store->setCreditedWords(first, 2);
        Entry* second = store->insert({moment(6, 1), QStringLiteral("2024-03-05"), QStringLiteral("freeform"),
                                       QStringLiteral("pages"), sealEntryText(QStringLiteral("later"), *m_key), 1});
        QCOMPARE(changed.count(), 3);
        QVERIFY(store->save());
        QVERIFY(first->id() != second->id());
        QVERIFY(!store->hasUnsavedChanges());
        firstBody = first->cipherBody();
    }

    auto reopened = EntryStore::open(m_path, &error);
    QVERIFY2(reopened, qPrintable(error));
    QCOMPARE(reopened->entries().size(), std::size_t(2));
    const Entry* first = reopened->entries().at(0);
    QCOMPARE(first->date(), moment(5, 9));
    QCOMPARE(first->dayKey(), QStringLiteral("2024-03-05"));
    QCOMPARE(first->promptID(), QStringLiteral("memory-001"));
    QCOMPARE(first->categoryRaw(), QStringLiteral("memory"));
    QCOMPARE(first->cipherBody(), firstBody);
    QCOMPARE(first->creditedWords(), 2);
    QCOMPARE(openEntryText(first->cipherBody(), *m_key), QStringLiteral("first words"));
    const Entry* second = reopened->entries().at(1);
    QCOMPARE(second->promptID(), QStringLiteral("freeform"));
    QCOMPARE(second->creditedWords(), 1);

    // Newest first orders by the moment of first saving, not by day key or store order.
    const std::vector<Entry*> newest = reopened->entriesNewestFirst();
    QCOMPARE(newest.front(), reopened->entries().at(1));

    // Updates go to the same row; ids keep growing after a reopen.
    Entry* changedEntry = reopened->entries().at(0);
    reopened->replaceBody(changedEntry, sealEntryText(QStringLiteral("first words, corrected"), *m_key), *m_key);
    Entry* third = reopened->insert(newEntry(QStringLiteral("third"), *m_key));
    QVERIFY(reopened->save());
    QVERIFY(third->id() > reopened->entries().at(1)->id());
    reopened.reset();
    auto again = EntryStore::open(m_path, &error);
    QCOMPARE(again->entries().size(), std::size_t(3));
    QCOMPARE(openEntryText(again->entries().at(0)->cipherBody(), *m_key), QStringLiteral("first words, corrected"));
    QVERIFY(again->displacedBodies().empty());
}

void TestEntryStore::fileIsPrivateAndDurable()
{
    QString error;
    auto store = EntryStore::open(m_path, &error);
    QVERIFY2(store, qPrintable(error));
    store->insert(newEntry(QStringLiteral("a sentence nobody else may read"), *m_key));
    QVERIFY(store->save());

    QCOMPARE(modeOf(QFileInfo(m_path).absolutePath()), 0700);
    QCOMPARE(modeOf(m_path), 0600);
    QCOMPARE(modeOf(m_path + QStringLiteral("-wal")), 0600);
    QCOMPARE(querySql(m_path, "PRAGMA journal_mode"), QStringLiteral("wal"));
    QCOMPARE(querySql(m_path, "PRAGMA user_version"), QString::number(EntryStore::schemaVersion));

    const QByteArray onDisk = fileBytes(m_path) + fileBytes(m_path + QStringLiteral("-wal"));
    QVERIFY(!onDisk.isEmpty());
    QVERIFY(!onDisk.contains("nobody else"));
}

void TestEntryStore::rowsWrittenByTheSchemaLoad()
{
    // The table layout is a contract: a row written by another tool in that layout loads as an entry.
    QString error;
    EntryStore::open(m_path, &error).reset();
    const QByteArray body = sealEntryText(QStringLiteral("from outside"), *m_key).toHex();
    const QByteArray sql = "INSERT INTO entries (date, day_key, prompt_id, category_raw, cipher_body) VALUES "
                           "(1709629200000, '2024-03-05', 'future-003', 'future', X'"
        + body + "')";
    runSql(m_path, sql.constData());

    auto store = EntryStore::open(m_path, &error);
    QVERIFY2(store, qPrintable(error));
    QCOMPARE(store->entries().size(), std::size_t(1));
    const Entry* entry = store->entries().front();
    QCOMPARE(entry->date(), QDateTime(QDate(2024, 3, 5), QTime(9, 0), Qt::UTC));
    QCOMPARE(entry->creditedWords(), 0);
    QCOMPARE(openEntryText(entry->cipherBody(), *m_key), QStringLiteral("from outside"));
}

void TestEntryStore::failedSaveKeepsEveryWord()
{
    QString error;
    auto store = EntryStore::open(m_path, &error);
    QVERIFY2(store, qPrintable(error));
    Entry* entry = store->insert(newEntry(QStringLiteral("morning"), *m_key));
    QVERIFY(store->save());

    // The disk fills up: saves fail, silently for the user, but nothing is forgotten.
    FailingVfs::setFailing(true);
    store->replaceBody(entry, sealEntryText(QStringLiteral("morning, and then the afternoon"), *m_key), *m_key);
    store->setCreditedWords(entry, 5);
    store->insert(
        newEntry(QStringLiteral("a second thought"), *m_key, QStringLiteral("2024-03-05"), QStringLiteral("freeform")));
    QVERIFY(!store->save());
    QVERIFY(store->hasUnsavedChanges());
    QVERIFY(!store->save());

    // Space comes back: the next save writes everything that was pending.
    FailingVfs::setFailing(false);
    QVERIFY(store->save());
    QVERIFY(!store->hasUnsavedChanges());
    store.reset();

    auto reopened = EntryStore::open(m_path, &error);
    QVERIFY2(reopened, qPrintable(error));
    QCOMPARE(reopened->entries().size(), std::size_t(2));
    QCOMPARE(openEntryText(reopened->entries().at(0)->cipherBody(), *m_key),
             QStringLiteral("morning, and then the afternoon"));
    QCOMPARE(reopened->entries().at(0)->creditedWords(), 5);
    QCOMPARE(openEntryText(reopened->entries().at(1)->cipherBody(), *m_key), QStringLiteral("a second thought"));
}

void TestEntryStore::closingRetriesAFailedSave()
{
    QString error;
    auto store = EntryStore::open(m_path, &error);
    QVERIFY2(store, qPrintable(error));
    FailingVfs::setFailing(true);
    store->insert(newEntry(QStringLiteral("typed just before quitting"), *m_key));
    QVERIFY(!store->save());
    FailingVfs::setFailing(false);
    store.reset();

    auto reopened = EntryStore::open(m_path, &error);
    QCOMPARE(reopened->entries().size(), std::size_t(1));
    QCOMPARE(openEntryText(reopened->entries().front()->cipherBody(), *m_key),
             QStringLiteral("typed just before quitting"));
}

void TestEntryStore::oneFailingEntryHoldsBackNoOther()
{
    QString error;
    auto store = EntryStore::open(m_path, &error);
    QVERIFY2(store, qPrintable(error));
    Entry* stuck = store->insert(newEntry(QStringLiteral("stuck"), *m_key));
    Entry* edited = store->insert(newEntry(QStringLiteral("before"), *m_key, QStringLiteral("2024-03-06")));
    QVERIFY(store->save());

    // Another program adds a row behind the open store, and makes one entry's row refuse every change.
    const QByteArray sql = "INSERT INTO entries (date, day_key, prompt_id, category_raw, cipher_body) VALUES "
                           "(0, '2024-03-01', 'other', 'memory', X'00'); "
                           "CREATE TRIGGER refuse BEFORE UPDATE ON entries WHEN OLD.id = "
        + QByteArray::number(stuck->id()) + " BEGIN SELECT RAISE(ABORT, 'refused'); END;";
    runSql(m_path, sql.constData());

    store->replaceBody(stuck, sealEntryText(QStringLiteral("stuck, edited"), *m_key), *m_key);
    store->replaceBody(edited, sealEntryText(QStringLiteral("after"), *m_key), *m_key);
    Entry* added = store->insert(newEntry(QStringLiteral("new"), *m_key, QStringLiteral("2024-03-07")));
    QVERIFY(!store->save());
    QVERIFY(store->hasUnsavedChanges());
    QCOMPARE(querySql(m_path, "SELECT count(*) FROM entries"), QStringLiteral("4"));
    QVERIFY(added->id() > 0);

    runSql(m_path, "DROP TRIGGER refuse");
    QVERIFY(store->save());
    store.reset();

    auto reopened = EntryStore::open(m_path, &error);
    QVERIFY2(reopened, qPrintable(error));
    QCOMPARE(reopened->entries().size(), std::size_t(4));
    QCOMPARE(openEntryText(reopened->entries().at(0)->cipherBody(), *m_key), QStringLiteral("stuck, edited"));
    QCOMPARE(openEntryText(reopened->entries().at(1)->cipherBody(), *m_key), QStringLiteral("after"));
    QCOMPARE(reopened->entries().at(2)->promptID(), QStringLiteral("other"));
    QCOMPARE(openEntryText(reopened->entries().at(3)->cipherBody(), *m_key), QStringLiteral("new"));
}

void TestEntryStore::unreadableBodiesAreKeptAside()
{
    const auto lostKey = EntryKey::random();
    ManualClock clock(moment(7, 22));
    QString error;
    QByteArray unreadable;
    {
        auto store = EntryStore::open(m_path, &error, clock);
        QVERIFY2(store, qPrintable(error));
        Entry* entry = store->insert(newEntry(QStringLiteral("written under a key that is gone"), *lostKey));
        Entry* readable = store->insert(newEntry(QStringLiteral("fine"), *m_key, QStringLiteral("2024-03-06")));
        QVERIFY(store->save());
        unreadable = entry->cipherBody();

        // Replacing a body that opens under the current key keeps nothing aside.
        store->replaceBody(readable, sealEntryText(QStringLiteral("fine, edited"), *m_key), *m_key);
        QVERIFY(store->displacedBodies().empty());

        // Replacing one that does not open keeps the old body first, in the same save.
        store->replaceBody(entry, sealEntryText(QStringLiteral("new text"), *m_key), *m_key);
        QCOMPARE(store->displacedBodies().size(), std::size_t(1));
        store->replaceBody(entry, sealEntryText(QStringLiteral("newer text"), *m_key), *m_key);
        QCOMPARE(store->displacedBodies().size(), std::size_t(1));
        QVERIFY(store->save());
    }
    auto reopened = EntryStore::open(m_path, &error);
    const std::vector<EntryStore::DisplacedBody> kept = reopened->displacedBodies();
    QCOMPARE(kept.size(), std::size_t(1));
    QCOMPARE(kept.front().entryId, reopened->entries().front()->id());
    QCOMPARE(kept.front().cipherBody, unreadable);
    QCOMPARE(kept.front().displacedAt, moment(7, 22));
    QCOMPARE(openEntryText(kept.front().cipherBody, *lostKey), QStringLiteral("written under a key that is gone"));
    QCOMPARE(openEntryText(reopened->entries().front()->cipherBody(), *m_key), QStringLiteral("newer text"));
}

void TestEntryStore::foreignFilesAreNeverTouched_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("inLog");
    QTest::newRow("text file") << QByteArray("text") << QStringLiteral("not a Wendle journal") << false;
    const QByteArray contacts("CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('x');");
    QTest::newRow("another program's database") << contacts << QStringLiteral("not a Wendle journal") << false;
    QTest::newRow("another program's database, commits in its log")
        << contacts << QStringLiteral("not a Wendle journal") << true;
    const QByteArray newer("CREATE TABLE entries (id INTEGER PRIMARY KEY); PRAGMA user_version = 3;");
    QTest::newRow("newer journal") << newer << QStringLiteral("newer version") << false;
    QTest::newRow("newer journal, commits in its log") << newer << QStringLiteral("newer version") << true;
    QTest::newRow("version 1 without the entries columns")
        << QByteArray("CREATE TABLE entries (id INTEGER PRIMARY KEY); PRAGMA user_version = 1;")
        << QStringLiteral("not a Wendle journal") << false;
    QTest::newRow("version 1 without the time a body was kept aside")
        << QByteArray("CREATE TABLE entries (id INTEGER PRIMARY KEY, date INTEGER, day_key TEXT, prompt_id TEXT, "
                      "category_raw TEXT, cipher_body BLOB, credited_words INTEGER); "
                      "CREATE TABLE displaced_bodies (id INTEGER PRIMARY KEY, entry_id INTEGER, cipher_body BLOB); "
                      "PRAGMA user_version = 1;")
        << QStringLiteral("not a Wendle journal") << false;
}

void TestEntryStore::foreignFilesAreNeverTouched()
{
    QFETCH(QByteArray, setup);
    QFETCH(QString, reason);
    QFETCH(bool, inLog);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (setup == "text") {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Dear diary, this is not a database at all.\n");
    } else if (inLog) {
        runSqlKeepingLog(m_path, setup);
    } else {
        runSql(m_path, setup.constData());
    }
    const QByteArray before = fileBytes(m_path);
    const QByteArray logBefore = fileBytes(m_path + QStringLiteral("-wal"));
    QCOMPARE(logBefore.isEmpty(), !inLog);
    const QStringList siblingsBefore = QDir(QFileInfo(m_path).absolutePath()).entryList(QDir::Files);

    QString error;
    QVERIFY(!EntryStore::open(m_path, &error));
    QVERIFY2(error.contains(m_path), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(fileBytes(m_path), before);
    QCOMPARE(fileBytes(m_path + QStringLiteral("-wal")), logBefore);
    QCOMPARE(QDir(QFileInfo(m_path).absolutePath()).entryList(QDir::Files), siblingsBefore);
}

void TestEntryStore::damagedJournalIsReportedAndLeftAlone()
{
    QString error;
    {
        auto store = EntryStore::open(m_path, &error);
        for (int i = 0; i < 200; ++i) {
            store->insert(newEntry(QString(300, u'w'), *m_key));
        }
        QVERIFY(store->save());
    }
    // As a backup tool restores it: one file, in rollback mode, with nothing in a log.
    runSql(m_path, "PRAGMA journal_mode = DELETE");
    QByteArray bytes = fileBytes(m_path);
    // Page 2 holds the entries table's root: garble its b-tree header.
    QVERIFY(bytes.size() > 3 * 4096);
    bytes[4096] = '\x77';
    bytes[4097] = '\x77';
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QVERIFY(!EntryStore::open(m_path, &error));
    QVERIFY2(error.contains(m_path), qPrintable(error));
    QCOMPARE(fileBytes(m_path), bytes);
    QVERIFY(!QFile::exists(m_path + QStringLiteral("-wal")));
}

void TestEntryStore::findsTheFirstEntryOfADayAndPrompt()
{
    QString error;
    auto store = EntryStore::open(m_path, &error);
    Entry* first = store->insert(newEntry(QStringLiteral("one"), *m_key));
    store->insert(newEntry(QStringLiteral("two"), *m_key));
    store->insert(newEntry(QStringLiteral("three"), *m_key, QStringLiteral("2024-03-05"), QStringLiteral("freeform")));
    QCOMPARE(store->firstEntry(QStringLiteral("2024-03-05"), QStringLiteral("memory-001")), first);
    QVERIFY(store->firstEntry(QStringLiteral("2024-03-06"), QStringLiteral("memory-001")) == nullptr);
    QVERIFY(store->firstEntry(QStringLiteral("2024-03-05"), QStringLiteral("freeform")) != nullptr);
}

QTEST_GUILESS_MAIN(TestEntryStore)
#include "TestEntryStore.moc"
