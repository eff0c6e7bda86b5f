// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Calendar.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/VersionThinning.h"

#include "FailingVfs.h"
#include "SqlFile.h"
#include "TempJournal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>

using namespace wendle;
using namespace wendle::test;

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

// What each older schema lacked: run on a fresh journal, they turn it back into one that version wrote.
const QByteArray
    kNoSync("DROP TABLE sync_cursors; ALTER TABLE entries DROP COLUMN sync_mark; "
            "ALTER TABLE entries DROP COLUMN stamp_clock; ALTER TABLE entries DROP COLUMN stamp_device; "
            "ALTER TABLE entries DROP COLUMN credit_clock; ALTER TABLE entries DROP COLUMN credit_device; ");
const QByteArray kNoIds = kNoSync + "DROP INDEX entries_by_global_id; ALTER TABLE entries DROP COLUMN global_id; ";
const QByteArray kVersionOne
    = kNoIds + "DROP TABLE own_words; DROP TABLE entry_versions; DROP TABLE key_checks; PRAGMA user_version = 1";

int modeOf(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
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
    void failedSaveKeepsEveryWord();
    void oneFailingEntryHoldsBackNoOther();
    void unreadableBodiesAreKeptAside();
    void bodiesAreReadWhenAskedFor();
    void foreignFilesAreNeverTouched_data();
    void foreignFilesAreNeverTouched();
    void damagedJournalIsRefusedBeforeAnyWrite();
    void versionsKeepWhatSavesReplace();
    void olderSchemasUpgradeWhole_data();
    void olderSchemasUpgradeWhole();
    void versionsAreThinned_data();
    void versionsAreThinned();

private:
    std::unique_ptr<EntryStore> open(const Clock& clock = systemClock()) const
    {
        return EntryStore::open(m_path, nullptr, clock);
    }
    /** The entries as "day prompt category words: text | …", the text "?" when it does not open under the key. */
    QString rows(const EntryStore& store) const
    {
        QStringList rows;
        for (const Entry* e : store.entries()) {
            rows << QStringLiteral("%1 %2 %3 %4: %5")
                        .arg(e->dayKey(), e->promptID(), e->categoryRaw())
                        .arg(e->creditedWords())
                        .arg(opensUnder(e->cipherBody(), *m_key) ? openEntryText(e->cipherBody(), *m_key)
                                                                 : QStringLiteral("?"));
        }
        return rows.join(QStringLiteral(" | "));
    }
    /** The entry's versions, newest first, as "text (words)". */
    QStringList versionTexts(const EntryStore& store, const Entry& entry) const
    {
        QStringList texts;
        for (const EntryStore::Version& version : store.versions(entry)) {
            texts << QStringLiteral("%1 (%2)")
                         .arg(openEntryText(store.versionBody(version.id).value_or(QByteArray()), *m_key))
                         .arg(version.wordCount);
        }
        return texts;
    }

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
    {
        auto store = open();
        QVERIFY(store && store->entries().empty());
        Entry* first = store->insert(newEntry(QStringLiteral("first words"), *m_key));
        store->setCreditedWords(first, 2);
        store->insert({moment(6, 1), QStringLiteral("2024-03-05"), QStringLiteral("freeform"), QStringLiteral("pages"),
                       sealEntryText(QStringLiteral("later"), *m_key), 1});
        store->insert(newEntry(QStringLiteral("same day and prompt"), *m_key, QStringLiteral("2024-03-05"),
                               QStringLiteral("memory-001"), moment(5, 8)));
        // The Today screen edits the first of a day's entries for a prompt.
        QCOMPARE(store->firstEntry(QStringLiteral("2024-03-05"), QStringLiteral("memory-001")), first);
        QVERIFY(!store->firstEntry(QStringLiteral("2024-03-06"), QStringLiteral("memory-001")));
        QVERIFY(store->save());
        QVERIFY(!store->hasUnsavedChanges());
    }

    auto reopened = open();
    QVERIFY(reopened);
    QCOMPARE(rows(*reopened),
             QStringLiteral("2024-03-05 memory-001 memory 2: first words | 2024-03-05 freeform pages 1: later | "
                            "2024-03-05 memory-001 memory 0: same day and prompt"));
    QCOMPARE(reopened->entries().at(0)->date(), moment(5, 9));

    // Newest first orders by the moment of first saving, not by day key or store order.
    const std::vector<Entry*> newest = reopened->entriesNewestFirst();
    QCOMPARE(newest.front(), reopened->entries().at(1));
    QCOMPARE(newest.back(), reopened->entries().at(2));

    // Updates go to the same row; ids keep growing after a reopen.
    reopened->replaceBody(reopened->entries().at(0), sealEntryText(QStringLiteral("corrected"), *m_key), *m_key);
    Entry* fourth = reopened->insert(newEntry(QStringLiteral("fourth"), *m_key));
    QVERIFY(reopened->save());
    QVERIFY(fourth->id() > reopened->entries().at(2)->id());
    reopened.reset();
    auto again = open();
    QCOMPARE(rows(*again),
             QStringLiteral("2024-03-05 memory-001 memory 2: corrected | 2024-03-05 freeform pages 1: later | "
                            "2024-03-05 memory-001 memory 0: same day and prompt | "
                            "2024-03-05 memory-001 memory 0: fourth"));
    QVERIFY(again->displacedBodies().empty());

    // The table layout is a contract: a row written by another tool in that layout loads as an entry.
    again.reset();
    QVERIFY(runSql(m_path,
                   "INSERT INTO entries (date, day_key, prompt_id, category_raw, cipher_body) VALUES "
                   "(1709629200000, '2024-03-06', 'future-003', 'future', X'"
                       + sealEntryText(QStringLiteral("from outside"), *m_key).toHex() + "')"));
    again = open();
    QVERIFY(rows(*again).endsWith(QStringLiteral(" | 2024-03-06 future-003 future 0: from outside")));
    Entry* outside = again->entries().back();
    QCOMPARE(outside->date(), moment(5, 9));
    // It has no global id until the next save gives it one.
    QVERIFY(outside->globalId().isEmpty());
    again->setCreditedWords(outside, 3);
    QVERIFY(again->save());
    QCOMPARE(again->entryWithGlobalId(outside->globalId()), outside);
    QVERIFY(outside->globalId().size() == 16 && outside->globalId() != again->entries().front()->globalId());
}

void TestEntryStore::fileIsPrivateAndDurable()
{
    auto store = open();
    QVERIFY(store);
    store->insert(newEntry(QStringLiteral("a sentence nobody else may read"), *m_key));
    QVERIFY(store->save());

    QCOMPARE(modeOf(QFileInfo(m_path).absolutePath()), 0700);
    QCOMPARE(modeOf(m_path), 0600);
    QCOMPARE(modeOf(m_path + QStringLiteral("-wal")), 0600);
    QCOMPARE(querySql(m_path, "PRAGMA journal_mode"), QByteArray("wal"));

    const QByteArray onDisk = fileBytes(m_path) + fileBytes(m_path + QStringLiteral("-wal"));
    QVERIFY(!onDisk.isEmpty());
    QVERIFY(!onDisk.contains("nobody else"));

    // Opened up to the group and others: taken back to the owner alone, and the journal still opens.
    store.reset();
    QVERIFY(::chmod(QFile::encodeName(m_path).constData(), 0644) == 0);
    QVERIFY(open());
    QCOMPARE(modeOf(m_path), 0600);
}

void TestEntryStore::failedSaveKeepsEveryWord()
{
    auto store = open();
    QVERIFY(store);
    Entry* entry = store->insert(newEntry(QStringLiteral("morning"), *m_key));
    QVERIFY(store->save());

    // The disk fills up: saves fail, but nothing is forgotten.
    FailingVfs::setFailing(true);
    store->replaceBody(entry, sealEntryText(QStringLiteral("morning, and then the afternoon"), *m_key), *m_key);
    store->setCreditedWords(entry, 5);
    store->insert(
        newEntry(QStringLiteral("a second thought"), *m_key, QStringLiteral("2024-03-05"), QStringLiteral("freeform")));
    QVERIFY(!store->save());
    QVERIFY(store->hasUnsavedChanges());
    QVERIFY(!store->save());

    // Space comes back just before quitting: closing writes everything that was pending.
    FailingVfs::setFailing(false);
    store.reset();
    auto reopened = open();
    QVERIFY(reopened);
    QCOMPARE(rows(*reopened),
             QStringLiteral("2024-03-05 memory-001 memory 5: morning, and then the afternoon | 2024-03-05 freeform "
                            "memory 0: a second thought"));
    QCOMPARE(versionTexts(*reopened, *reopened->entries().at(0)), QStringList{QStringLiteral("morning (1)")});
}

void TestEntryStore::oneFailingEntryHoldsBackNoOther()
{
    auto store = open();
    QVERIFY(store);
    Entry* stuck = store->insert(newEntry(QStringLiteral("stuck"), *m_key));
    Entry* edited = store->insert(newEntry(QStringLiteral("before"), *m_key, QStringLiteral("2024-03-06")));
    QVERIFY(store->save());

    // Another program adds a row behind the open store, and makes one entry's row refuse every change.
    QVERIFY(runSql(m_path,
                   "INSERT INTO entries (date, day_key, prompt_id, category_raw, cipher_body) VALUES "
                   "(0, '2024-03-01', 'other', 'memory', X'00'); "
                   "CREATE TRIGGER refuse BEFORE UPDATE ON entries WHEN OLD.id = "
                       + QByteArray::number(stuck->id()) + " BEGIN SELECT RAISE(ABORT, 'refused'); END;"));

    store->replaceBody(stuck, sealEntryText(QStringLiteral("stuck, edited"), *m_key), *m_key);
    store->replaceBody(edited, sealEntryText(QStringLiteral("after"), *m_key), *m_key);
    Entry* added = store->insert(newEntry(QStringLiteral("new"), *m_key, QStringLiteral("2024-03-07")));
    QVERIFY(!store->save());
    QVERIFY(store->hasUnsavedChanges());
    QCOMPARE(querySql(m_path, "SELECT count(*) FROM entries"), QByteArray("4"));
    QVERIFY(added->id() > 0);

    QVERIFY(runSql(m_path, "DROP TRIGGER refuse"));
    QVERIFY(store->save());
    store.reset();

    auto reopened = open();
    QVERIFY(reopened);
    QCOMPARE(rows(*reopened),
             QStringLiteral("2024-03-05 memory-001 memory 0: stuck, edited | 2024-03-06 memory-001 memory 0: after | "
                            "2024-03-01 other memory 0: ? | 2024-03-07 memory-001 memory 0: new"));
}

void TestEntryStore::unreadableBodiesAreKeptAside()
{
    const auto lostKey = EntryKey::random();
    ManualClock clock(moment(7, 22));
    {
        auto store = open(clock);
        QVERIFY(store);
        Entry* entry = store->insert(newEntry(QStringLiteral("written under a key that is gone"), *lostKey));
        Entry* readable = store->insert(newEntry(QStringLiteral("fine"), *m_key, QStringLiteral("2024-03-06")));
        QVERIFY(store->save());

        // Replacing a body that opens under the current key keeps nothing aside: it becomes a version.
        store->replaceBody(readable, sealEntryText(QStringLiteral("fine, edited"), *m_key), *m_key);
        QVERIFY(store->displacedBodies().empty());

        // Replacing one that does not open keeps the old body first, once, in the same save.
        store->replaceBody(entry, sealEntryText(QStringLiteral("new text"), *m_key), *m_key);
        store->replaceBody(entry, sealEntryText(QStringLiteral("newer text"), *m_key), *m_key);
        QCOMPARE(store->displacedBodies().size(), std::size_t(1));
        QVERIFY(store->save());
    }
    auto reopened = open();
    const std::vector<EntryStore::DisplacedBody> kept = reopened->displacedBodies();
    QCOMPARE(kept.size(), std::size_t(1));
    QCOMPARE(kept.front().entryId, reopened->entries().front()->id());
    QCOMPARE(kept.front().displacedAt, moment(7, 22));
    QCOMPARE(openEntryText(kept.front().cipherBody, *lostKey), QStringLiteral("written under a key that is gone"));
    QCOMPARE(rows(*reopened),
             QStringLiteral("2024-03-05 memory-001 memory 0: newer text | "
                            "2024-03-06 memory-001 memory 0: fine, edited"));
    QVERIFY(reopened->versions(*reopened->entries().front()).empty());
    QCOMPARE(versionTexts(*reopened, *reopened->entries().back()), QStringList{QStringLiteral("fine (1)")});
}

void TestEntryStore::bodiesAreReadWhenAskedFor()
{
    {
        auto store = open();
        store->insert(newEntry(QStringLiteral("first"), *m_key));
        store->insert(newEntry(QStringLiteral("second"), *m_key, QStringLiteral("2024-03-06")));
        store->insert(newEntry(QStringLiteral("third"), *m_key, QStringLiteral("2024-03-07")));
        QVERIFY(store->save());
    }
    auto store = open();
    QVERIFY(store);
    Entry* first = store->entries().at(0);
    Entry* second = store->entries().at(1);
    Entry* third = store->entries().at(2);
    // Changed behind the open store: what is read is the row as it is when the body is first asked for.
    QVERIFY(runSql(m_path,
                   "UPDATE entries SET cipher_body = X'"
                       + sealEntryText(QStringLiteral("first, rewritten"), *m_key).toHex()
                       + "' WHERE id = " + QByteArray::number(first->id())));
    QCOMPARE(openEntryText(first->cipherBody(), *m_key), QStringLiteral("first, rewritten"));

    // Saving an entry whose body was never read keeps the body in the file.
    store->setCreditedWords(second, 9);
    QVERIFY(store->save());

    // A body the file cannot give reads as nothing, and is still kept aside when it is replaced.
    QVERIFY(runSql(m_path, "ALTER TABLE entries RENAME COLUMN cipher_body TO hidden"));
    QVERIFY(third->cipherBody().isEmpty());
    store->replaceBody(third, sealEntryText(QStringLiteral("third, replaced"), *m_key), *m_key);
    QVERIFY(!store->save());
    QVERIFY(runSql(m_path, "ALTER TABLE entries RENAME COLUMN hidden TO cipher_body"));
    QVERIFY(store->save());
    store.reset();

    auto reopened = open();
    QCOMPARE(
        rows(*reopened).section(QStringLiteral(" | "), 1),
        QStringLiteral("2024-03-06 memory-001 memory 9: second | 2024-03-07 memory-001 memory 0: third, replaced"));
    const std::vector<EntryStore::DisplacedBody> kept = reopened->displacedBodies();
    QCOMPARE(kept.size(), std::size_t(1));
    QCOMPARE(openEntryText(kept.front().cipherBody, *m_key), QStringLiteral("third"));
}

void TestEntryStore::foreignFilesAreNeverTouched_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("inLog");
    QTest::newRow("text file") << QByteArray("text") << QStringLiteral("not a Wendle journal") << false;
    const QByteArray contacts("CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('x');");
    QTest::newRow("another program's database") << contacts << QStringLiteral("not a Wendle journal") << false;
    QTest::newRow("newer journal, commits in its log")
        << QByteArray("CREATE TABLE entries (id INTEGER PRIMARY KEY); PRAGMA user_version = ")
            + QByteArray::number(EntryStore::schemaVersion + 1)
        << QStringLiteral("newer version") << true;
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
        QVERIFY(putFile(m_path, "Dear diary, this is not a database at all.\n"));
    } else {
        QVERIFY(runSql(m_path, (inLog ? "PRAGMA journal_mode = WAL; " : "") + setup, inLog));
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

void TestEntryStore::damagedJournalIsRefusedBeforeAnyWrite()
{
    {
        auto store = open();
        for (int i = 0; i < 200; ++i) {
            store->insert(newEntry(QString(300, u'w'), *m_key));
        }
        QVERIFY(store->save());
    }
    // As a backup tool restores an older journal: version 1, one file in rollback mode, nothing in a log.
    QVERIFY(runSql(m_path, "PRAGMA journal_mode = DELETE; " + kVersionOne));
    const QByteArray sound = fileBytes(m_path);

    // Opened behind the lock screen, it is neither switched to its log nor upgraded until the check passes.
    auto store = EntryStore::openUnchecked(m_path, nullptr);
    QVERIFY(store);
    store->insert(newEntry(QStringLiteral("typed too early"), *m_key));
    QVERIFY(!store->save());
    QVERIFY(!store->addKeyCheck(sealEntryText(QStringLiteral("check"), *m_key)));
    QCOMPARE(fileBytes(m_path), sound);
    store->checkIntegrity();
    QTRY_COMPARE(store->integrity(), EntryStore::Integrity::sound);
    QCOMPARE(store->entries().size(), std::size_t(201));
    QVERIFY(!store->hasUnsavedChanges());
    QVERIFY(store->addKeyCheck(sealEntryText(QStringLiteral("check"), *m_key)));
    QCOMPARE(store->storedSchemaVersion(), EntryStore::schemaVersion);
    store.reset();

    // Damage the cheap checks cannot see (page 2's count of fragmented bytes): the lock screen comes up,
    // the whole check refuses the file, and nothing is ever written to it.
    QByteArray bytes = sound;
    bytes[4096 + 7] = 5;
    QVERIFY(putFile(m_path, bytes));
    QString error;
    QVERIFY(!EntryStore::open(m_path, &error));
    QVERIFY2(error.contains(m_path) && error.contains(QStringLiteral("damaged")), qPrintable(error));
    store = EntryStore::openUnchecked(m_path, &error);
    QVERIFY(store);
    store->insert(newEntry(QStringLiteral("typed too early"), *m_key));
    store->checkIntegrity();
    QTRY_COMPARE(store->integrity(), EntryStore::Integrity::refused);
    QCOMPARE(store->refusal(), error);
    QVERIFY(!store->save());
    QVERIFY(!store->addKeyCheck(sealEntryText(QStringLiteral("check"), *m_key)));
    store.reset();
    QCOMPARE(fileBytes(m_path), bytes);
    QVERIFY(!QFile::exists(m_path + QStringLiteral("-wal")));
}

void TestEntryStore::versionsKeepWhatSavesReplace()
{
    // Local noon: well inside a journal day, and on a ten-minute window's edge in every zone.
    ManualClock clock(QDateTime(QDate::currentDate(), QTime(12, 0)).toUTC());
    auto store = open(clock);
    Entry* entry = store->insert(newEntry(QStringLiteral("one"), *m_key));
    const auto save = [&](std::initializer_list<const char*> texts) {
        for (const char* text : texts) {
            store->replaceBody(entry, sealEntryText(QString::fromUtf8(text), *m_key), *m_key);
        }
        return store->save();
    };
    // Sealing the same text anew is no new version; of texts replaced before a save, only the file's is kept.
    QVERIFY(save({}) && save({"one"}) && store->versions(*entry).empty());
    QVERIFY(save({"two words", "three little words"}));
    QCOMPARE(versionTexts(*store, *entry), QStringList{QStringLiteral("one (1)")});
    // Within ten minutes only the last stays; once its day is over, the last of the day.
    clock.advance(60);
    QVERIFY(save({"four"}));
    clock.advance(24 * 3600);
    QVERIFY(save({"five"}));
    const QStringList expected{QStringLiteral("four (1)"), QStringLiteral("three little words (3)")};
    QCOMPARE(versionTexts(*store, *entry), expected);
    store.reset();
    store = open(clock);
    QCOMPARE(versionTexts(*store, *store->entries().front()), expected);
    QCOMPARE(openEntryText(store->entries().front()->cipherBody(), *m_key), QStringLiteral("five"));
}

// A journal as each older version wrote it gains the later tables, and its entries their global ids, with its first
// save, all of it or nothing.
void TestEntryStore::olderSchemasUpgradeWhole_data()
{
    QTest::addColumn<QByteArray>("downgrade");
    QTest::addColumn<bool>("upgrades");
    QTest::newRow("from 1") << kVersionOne << true;
    QTest::newRow("from 2") << kNoIds + "DROP TABLE own_words; DROP TABLE entry_versions; PRAGMA user_version = 2"
                            << true;
    QTest::newRow("from 3") << kNoIds + "DROP TABLE own_words; PRAGMA user_version = 3" << true;
    QTest::newRow("from 4") << kNoIds + "PRAGMA user_version = 4" << true;
    QTest::newRow("from 5") << kNoSync + "PRAGMA user_version = 5" << true;
    // The versions' table is made, then its index cannot be: the table must go with the failed upgrade.
    QTest::newRow("from 2, failing partway") << kNoIds
            + "DROP TABLE own_words; DROP TABLE entry_versions; "
              "CREATE TABLE entry_versions_by_entry (x); "
              "PRAGMA user_version = 2" << false;
    // The ids are given, then their index cannot be made: the column and the ids go with it.
    QTest::newRow("from 4, failing at the last step")
        << kNoIds + "CREATE TABLE entries_by_global_id (x); PRAGMA user_version = 4" << false;
}

void TestEntryStore::olderSchemasUpgradeWhole()
{
    QFETCH(QByteArray, downgrade);
    QFETCH(bool, upgrades);
    {
        auto store = open();
        store->insert(newEntry(QStringLiteral("as first written"), *m_key));
        QVERIFY(store->save());
    }
    QVERIFY(runSql(m_path, downgrade));
    const QByteArray schemaBefore = querySql(m_path, "SELECT group_concat(name) FROM sqlite_schema");
    const QByteArray versionBefore = querySql(m_path, "PRAGMA user_version");

    auto store = open();
    QVERIFY(store);
    Entry* entry = store->entries().front();
    QVERIFY(store->versions(*entry).empty());
    QCOMPARE(entry->globalId().isEmpty(), downgrade.contains("global_id"));
    store->replaceBody(entry, sealEntryText(QStringLiteral("corrected"), *m_key), *m_key);
    // An entry typed before the upgrade carries its id into the upgraded file.
    const QByteArray newId = store->insert(newEntry(QStringLiteral("new"), *m_key))->globalId();
    QCOMPARE(store->save(), upgrades);
    if (!upgrades) {
        QVERIFY(!store->addOwnWord("sealed word") && store->sealedOwnWords().empty());
        QCOMPARE(querySql(m_path, "SELECT group_concat(name) FROM sqlite_schema"), schemaBefore);
        QCOMPARE(querySql(m_path, "PRAGMA user_version"), versionBefore);
        QVERIFY(store->hasUnsavedChanges() && entry->globalId().isEmpty());
        return;
    }
    QCOMPARE(store->storedSchemaVersion(), EntryStore::schemaVersion);
    QCOMPARE(versionTexts(*store, *entry), QStringList{QStringLiteral("as first written (3)")});
    const QByteArray oldId = entry->globalId();
    QVERIFY(oldId.size() == 16 && newId.size() == 16 && oldId != newId);
    QCOMPARE(store->entryWithGlobalId(oldId), entry);
    QVERIFY(store->addOwnWord("sealed word"));
    store.reset();
    store = open();
    QVERIFY(store);
    QCOMPARE(rows(*store),
             QStringLiteral("2024-03-05 memory-001 memory 0: corrected | 2024-03-05 memory-001 memory 0: new"));
    QCOMPARE(store->sealedOwnWords(), std::vector<QByteArray>{"sealed word"});
    QCOMPARE(store->entries().front()->globalId(), oldId);
    QCOMPARE(store->entries().back()->globalId(), newId);
    // Both changes wait for the sync log, saved with them; the older entry has never reached one.
    QCOMPARE(store->entries().front()->logMark(), quint8(Entry::awaitsLog));
    QCOMPARE(store->entries().back()->logMark(), quint8(Entry::awaitsLog | Entry::creditChanged));
    QVERIFY(store->entries().front()->stamp().device.isEmpty());
    // An id given by another computer is kept; one the journal already holds gives way to a fresh one.
    NewEntry incoming = newEntry(QStringLiteral("from elsewhere"), *m_key);
    incoming.globalId = QByteArray(16, '\x07');
    QCOMPARE(store->insert(incoming)->globalId(), incoming.globalId);
    const QByteArray fresh = store->insert(incoming)->globalId();
    QVERIFY(fresh.size() == 16 && fresh != incoming.globalId);
    QVERIFY(store->save());
}

// Saves are minutes after 2026-03-10 09:00 in Berlin; each save thins as the store does, then the clock moves to
// `later` and the versions are thinned once more.
void TestEntryStore::versionsAreThinned_data()
{
    QTest::addColumn<QList<int>>("saves");
    QTest::addColumn<int>("later");
    QTest::addColumn<QList<int>>("kept");
    constexpr int day = 24 * 60;
    QTest::newRow("the last of each ten minutes") << QList<int>{0, 3, 9, 12, 19, 25} << 30 << QList<int>{9, 19, 25};
    // 02:30 the next morning still belongs to the day that began at 03:00.
    QTest::newRow("the last of each past day") << QList<int>{0, 30, 14 * 60 + 50, 17 * 60 + 30, day + 60, day + 65}
                                               << 2 * day << QList<int>{17 * 60 + 30, day + 65};
    QTest::newRow("past days daily, today in windows")
        << QList<int>{0, 30, day, day + 4, day + 15} << day + 20 << QList<int>{30, day + 4, day + 15};
    QList<int> daily;
    for (int i = 0; i < 60; ++i) {
        daily << i * day;
    }
    QTest::newRow("never more than fifty") << daily << 61 * day << daily.mid(10);
}

void TestEntryStore::versionsAreThinned()
{
    QFETCH(QList<int>, saves);
    QFETCH(int, later);
    QFETCH(QList<int>, kept);
    const Calendar calendar = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    const QDateTime start = QDateTime(QDate(2026, 3, 10), QTime(9, 0), QTimeZone("Europe/Berlin")).toUTC();
    ManualClock clock(start);
    std::vector<VersionStamp> versions;
    const auto thin = [&] {
        const std::vector<qint64> dropped = VersionThinning::thinnedOut(versions, clock.now(), calendar);
        std::erase_if(versions, [&](const VersionStamp& v) {
            return std::find(dropped.begin(), dropped.end(), v.id) != dropped.end();
        });
    };
    for (const int minute : saves) {
        clock.set(start.addSecs(minute * 60));
        versions.push_back({minute, clock.now()});
        thin();
    }
    clock.set(start.addSecs(later * 60));
    thin();
    QList<int> remaining;
    for (const VersionStamp& version : versions) {
        remaining << int(version.id);
    }
    QCOMPARE(remaining, kept);
}

QTEST_GUILESS_MAIN(TestEntryStore)
#include "TestEntryStore.moc"
