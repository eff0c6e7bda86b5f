// SPDX-License-Identifier: GPL-3.0-or-later
// Snapshots: the backup format sealed under the journal's key, earlier versions carried and restored, the daily
// writer, its thinning and its folder, on real files and real OpenSSL.
#include "journal/Calendar.h"
#include "journal/Clock.h"
#include "journal/Preferences.h"
#include "journal/SnapshotFolder.h"
#include "journal/SnapshotThinning.h"
#include "transfer/BackupPayload.h"
#include "transfer/BackupPayloadCheck.h"
#include "transfer/JournalBackup.h"
#include "transfer/SnapshotScheduler.h"
#include "transfer/SnapshotWriter.h"

#include "SqlFile.h"
#include "TempJournal.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

const QDateTime noon = QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);

/** Two entries of 2024-03-10, each with one earlier version. */
void fill(TempJournal& journal)
{
    const QDateTime when = QDateTime(QDate(2024, 3, 10), QTime(12, 0), Qt::UTC);
    journal.add(QStringLiteral("2024-03-10"), QStringLiteral("memory-001"), QStringLiteral("first draft"), -1, when);
    journal.add(QStringLiteral("2024-03-10"), QStringLiteral("freeform"), QStringLiteral("other draft"), -1,
                when.addSecs(60));
    QVERIFY(journal.store->save());
    for (Entry* entry : journal.store->entries()) {
        journal.store->replaceBody(entry, sealEntryText(QStringLiteral("final"), *journal.key), *journal.key);
    }
    QVERIFY(journal.store->save());
}

QString versionText(const EntryStore& store, const Entry& entry, const EntryKey& key)
{
    const std::vector<EntryStore::Version> versions = store.versions(entry);
    return versions.size() == 1 ? openEntryText(store.versionBody(versions.front().id).value(), key) : QString();
}

void writeFile(const QString& path, const QByteArray& bytes = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

class TestSnapshots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sealedUnderTheJournalKey();
    void restoreAddsOnlyMissingVersions();
    void thinningKeepsDailyWeeklyMonthly_data();
    void thinningKeepsDailyWeeklyMonthly();
    void writesChecksAndThinsOnlyItsOwnFiles();
    void writesOnceADayAndRetriesAtTheNextUnlock();
    void refusesFoldersThatCannotHoldSnapshots();

private:
    QTemporaryDir m_settings;
};

void TestSnapshots::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestSnapshots::sealedUnderTheJournalKey()
{
    TempJournal journal;
    fill(journal);
    const BackupContents contents = snapshotJournal(*journal.store, *journal.key, true);
    QCOMPARE(contents.versions.size(), std::size_t(2));
    const QByteArray snapshot = encodeSnapshot(contents, *journal.key);
    const BackupReadResult opened = decodeSnapshot(snapshot, *journal.key);
    QVERIFY(opened.contents && opened.contents->entries.size() == 2 && opened.contents->versions.size() == 2);
    QCOMPARE(opened.contents->versions.front().text, std::optional(QStringLiteral("first draft")));
    QCOMPARE(opened.contents->versions.front().savedAt, contents.versions.front().savedAt);

    // Each seal opens only its own way, and says why when it is handed to the other.
    const QByteArray backup = encodeBackup(contents, QStringLiteral("passphrase"), {10, 8, 1});
    QCOMPARE(decodeSnapshot(snapshot, *EntryKey::random()).error, BackupError::wrongKey);
    QCOMPARE(decodeBackup(snapshot, QStringLiteral("passphrase")).error, BackupError::sealedWithJournalKey);
    QCOMPARE(decodeSnapshot(backup, *journal.key).error, BackupError::sealedWithPassphrase);
    QCOMPARE(decodeBackup(backup, QStringLiteral("passphrase")).contents->versions.size(), std::size_t(2));
    QByteArray changed = snapshot;
    changed[24] = char(changed[24] ^ 1); // the salt
    QCOMPARE(decodeSnapshot(changed, *journal.key).error, BackupError::damaged);
    changed = snapshot;
    changed[changed.size() - 20] = char(changed[changed.size() - 20] ^ 1);
    QCOMPARE(decodeSnapshot(changed, *journal.key).error, BackupError::damaged);

    // The payload is written record by record, byte for byte as a JSON document of the same contents, and the
    // check of a written file counts it without building it.
    const QString awkward = QStringLiteral("\"q\" \\ \t\n\x01 \u00fc \u65e5 \U0001F600 ") + QChar(0xd800) + u'x';
    BackupPayloadWriter writer(3);
    writer.addDisplaced({0, "sealed", noon});
    const QByteArray globalId = QByteArray::fromHex("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
    writer.addEntry(
        {{noon, QStringLiteral("2026-12-07"), awkward, QStringLiteral("memory"), 7, awkward, globalId}, {}});
    writer.addVersion({0, std::nullopt, "old", noon, 2});
    const QByteArray payload = writer.finish().mid(3);
    const QJsonObject entry{{QStringLiteral("category"), QStringLiteral("memory")},
                            {QStringLiteral("date"), noon.toMSecsSinceEpoch()},
                            {QStringLiteral("dayKey"), QStringLiteral("2026-12-07")},
                            {QStringLiteral("globalID"), QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f0")},
                            {QStringLiteral("promptID"), awkward},
                            {QStringLiteral("text"), awkward},
                            {QStringLiteral("words"), 7}};
    const auto record = [](int index, const char* sealed, qint64 words) {
        QJsonObject object{{QStringLiteral("at"), noon.toMSecsSinceEpoch()},
                           {QStringLiteral("entry"), index},
                           {QStringLiteral("sealed"), QString::fromLatin1(QByteArray(sealed).toBase64())}};
        if (words >= 0) {
            object.insert(QStringLiteral("words"), words);
        }
        return object;
    };
    const QJsonObject document{{QStringLiteral("displaced"), QJsonArray{record(0, "sealed", -1)}},
                               {QStringLiteral("entries"), QJsonArray{entry}},
                               {QStringLiteral("versions"), QJsonArray{record(0, "old", 2)}}};
    QCOMPARE(payload, QJsonDocument(document).toJson(QJsonDocument::Compact));
    QCOMPARE(countWrittenPayload(payload), std::optional(BackupCounts{1, 1, 1}));
    // Texts handed over as the UTF-8 they were sealed as are written as their decoded text would be.
    for (const QByteArray& utf8 :
         {"a long plain run, eight at a time,\\then" + awkward.chopped(2).toUtf8() + "\xef\xbb\xbf",
          QByteArray("\xed\xa0\x80 \xff\xc0\xaf \xef\xbf\xbf \xf4\x90\x80\x80 x")}) {
        BackupPayloadWriter fromBytes(0);
        BackupPayloadWriter fromText(0);
        fromBytes.addVersion(0, noon, 1, utf8, {});
        fromText.addVersion({0, decodeEntryText(utf8), {}, noon, 1});
        QCOMPARE(fromBytes.finish(), fromText.finish());
    }
    for (const QByteArray& spoilt : {QByteArray(payload).replace("\"entry\":0", "\"entry\":1"), payload.chopped(1),
                                     QByteArray(payload).replace("\\t", "\\q")}) {
        QVERIFY(!countWrittenPayload(spoilt));
    }
}

void TestSnapshots::restoreAddsOnlyMissingVersions()
{
    TempJournal source;
    fill(source);
    const BackupContents withVersions = snapshotJournal(*source.store, *source.key, true);
    const BackupContents entriesOnly = snapshotJournal(*source.store, *source.key);
    const Calendar calendar = Calendar::current();
    const QDateTime now = QDateTime::currentDateTimeUtc();

    // Into a journal of another key: the versions come with their entries, sealed under that key.
    TempJournal target;
    RestorePlan plan = planRestore(withVersions, *target.store, *target.key, calendar, now);
    QCOMPARE(plan.addedVersions(withVersions), 2);
    QString error;
    QVERIFY(applyRestore(plan, withVersions, *target.store, *target.key, &error));
    QVERIFY(planRestore(withVersions, *target.store, *target.key, calendar, now).addsNothing());

    // A journal that has the entries but not their versions gains only the versions, and keeps them.
    TempJournal partial;
    QVERIFY(applyRestore(planRestore(entriesOnly, *partial.store, *partial.key, calendar, now), entriesOnly,
                         *partial.store, *partial.key, &error));
    plan = planRestore(withVersions, *partial.store, *partial.key, calendar, now);
    QVERIFY(plan.newEntries.empty() && plan.repairs.empty());
    QCOMPARE(plan.newVersions.size(), std::size_t(2));
    QVERIFY(applyRestore(plan, withVersions, *partial.store, *partial.key, &error));
    const QString path = partial.store->path();
    partial.store.reset();
    partial.store = EntryStore::open(path, &error);
    QVERIFY(partial.store);
    QCOMPARE(partial.store->entries().size(), std::size_t(2));
    for (TempJournal* journal : {&target, &partial}) {
        const Entry& first = *journal->store->entries().front();
        QCOMPARE(versionText(*journal->store, first, *journal->key), QStringLiteral("first draft"));
        QCOMPARE(journal->store->versions(first).front().savedAt,
                 source.store->versions(*source.store->entries().front()).front().savedAt);
    }
    QVERIFY(planRestore(withVersions, *partial.store, *partial.key, calendar, now).addsNothing());
}

void TestSnapshots::thinningKeepsDailyWeeklyMonthly_data()
{
    QTest::addColumn<QList<QDate>>("dates");
    QTest::addColumn<QList<QDate>>("kept");
    // 2026-12-07 is a Monday.
    QList<QDate> everyDay;
    for (int day = 0; day < 400; ++day) {
        everyDay << QDate(2026, 12, 7).addDays(-day);
    }
    QList<QDate> kept;
    for (int day = 0; day < 7; ++day) {
        kept << QDate(2026, 12, 7).addDays(-day);
    }
    // The newest of the weeks of Nov 23 and Nov 16, then of each month back to January.
    kept << QDate(2026, 11, 30) << QDate(2026, 11, 29) << QDate(2026, 11, 22);
    for (int month = 10; month >= 1; --month) {
        kept << QDate(2026, month, 1).addMonths(1).addDays(-1);
    }
    QTest::newRow("every day for 400 days") << everyDay << kept;

    const QList<QDate> sparse{QDate(2026, 12, 7), QDate(2026, 6, 1), QDate(2020, 1, 1)};
    QTest::newRow("sparse, each kept") << (sparse + QList<QDate>{QDate(2026, 6, 1), QDate()}) << sparse;

    QList<QDate> monthly;
    for (int month = 0; month < 14; ++month) {
        monthly << QDate(2026, 11, 15).addMonths(-month);
    }
    QTest::newRow("one a month for 14 months: the 12 newest") << monthly << monthly.mid(0, 12);
}

void TestSnapshots::thinningKeepsDailyWeeklyMonthly()
{
    QFETCH(QList<QDate>, dates);
    QFETCH(QList<QDate>, kept);
    std::sort(kept.begin(), kept.end(), std::greater<>());
    const std::vector<QDate> result = SnapshotThinning::kept({dates.begin(), dates.end()});
    QCOMPARE(QList<QDate>(result.begin(), result.end()), kept);
}

void TestSnapshots::writesChecksAndThinsOnlyItsOwnFiles()
{
    TempJournal journal;
    fill(journal);
    const QDir folder(journal.dir.filePath(QStringLiteral("snapshots")));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    for (int day = 1; day <= 20; ++day) {
        writeFile(folder.filePath(SnapshotFolder::fileName(QDate(2026, 12, 7).addDays(-day))));
    }
    const QStringList strangers{QStringLiteral("notes.txt"), QStringLiteral("wendle-2026-13-01.wendlesnap"),
                                QStringLiteral("wendle-2026-12-01.wendlesnap.old")};
    for (const QString& name : strangers) {
        writeFile(folder.filePath(name));
    }
    // A write killed before its rename leaves only its temporary file, which is never taken for a snapshot.
    writeFile(folder.filePath(QStringLiteral(".wendle-2026-12-06.wendlesnap.AbC123")));

    const SnapshotOutcome written
        = writeSnapshot(folder.path(), QDate(2026, 12, 7), journal.store->path(), SnapshotKey(*journal.key));
    QVERIFY2(written.problem.isEmpty(), qPrintable(written.problem));
    QCOMPARE(written.entries, 2);
    QCOMPARE(QFile::permissions(written.path) & 0x0077, 0);
    const BackupReadResult opened = decodeSnapshot(fileBytes(written.path), *journal.key);
    QVERIFY(opened.contents && opened.contents->versions.size() == 2);
    QCOMPARE(opened.contents->entries[1].record.globalId, journal.store->entries()[1]->globalId());

    std::vector<QDate> expected = SnapshotThinning::kept(SnapshotFolder::days(folder.path()));
    QStringList names;
    for (QDate day : expected) {
        names << SnapshotFolder::fileName(day);
    }
    names << strangers;
    names.sort();
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
    QVERIFY(names.size() < 20 + strangers.size());

    // (A folder that cannot be made is writesOnceADayAndRetriesAtTheNextUnlock's.) A disk without room for it: said so,
    // begun nowhere, and the snapshots there stay.
    const QDate tomorrow(2026, 12, 8);
    const SnapshotOutcome full = writeSnapshot(folder.path(), tomorrow, journal.store->path(),
                                               SnapshotKey(*journal.key), [](const QString&) { return 0; });
    QCOMPARE(full.problem, QStringLiteral("the disk is full"));
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
    // A journal that is gone is said so, and never made anew by reading it.
    const QString gone = journal.dir.filePath(QStringLiteral("gone.sqlite"));
    QCOMPARE(writeSnapshot(folder.path(), tomorrow, gone, SnapshotKey(*journal.key)).problem,
             QStringLiteral("the journal could not be read"));
    QVERIFY(!QFileInfo::exists(gone));

    // The journal locked while it is written: the worker's key is wiped, and nothing of the write is left.
    SnapshotKey key(*journal.key);
    const SnapshotOutcome locked
        = writeSnapshot(folder.path(), tomorrow, journal.store->path(), key, [&key](const QString& path) {
              key.revoke();
              return systemFreeSpace(path);
          });
    QVERIFY(locked.cancelled && locked.problem.isEmpty());
    QVERIFY(!key.use([](const EntryKey&) {}));
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden, QDir::Name), names);

    // A journal from before global ids, not yet brought up to date, is snapshotted all the same, without them.
    TempJournal older;
    fill(older);
    const QString olderPath = older.store->path();
    older.store.reset();
    QVERIFY(runSql(olderPath,
                   "DROP INDEX entries_by_global_id; ALTER TABLE entries DROP COLUMN global_id; "
                   "PRAGMA user_version = 4"));
    const SnapshotOutcome unnamed
        = writeSnapshot(older.dir.filePath(QStringLiteral("snapshots")), tomorrow, olderPath, SnapshotKey(*older.key));
    QVERIFY2(unnamed.problem.isEmpty(), qPrintable(unnamed.problem));
    const BackupReadResult withoutIds = decodeSnapshot(fileBytes(unnamed.path), *older.key);
    QVERIFY(withoutIds.contents && withoutIds.contents->entries.size() == 2);
    QVERIFY(withoutIds.contents->entries[0].record.globalId.isEmpty());
}

void TestSnapshots::writesOnceADayAndRetriesAtTheNextUnlock()
{
    TempJournal journal;
    ManualClock clock(noon);
    Preferences preferences;
    const QString folder = journal.dir.filePath(QStringLiteral("snapshots"));
    preferences.setString(QString::fromLatin1(PreferenceKeys::snapshotsFolder), folder);
    SnapshotScheduler scheduler(*journal.store, clock, journal.store->path());
    QSignalSpy finished(&scheduler, &SnapshotScheduler::finished);
    const QDate today = noon.toLocalTime().date();

    // Nothing to keep yet, then nothing while switched off.
    scheduler.unlocked(journal.key);
    fill(journal);
    preferences.setValue(PreferenceKeys::snapshotsEnabled, false);
    scheduler.unlocked(journal.key);
    QVERIFY(!scheduler.writing() && finished.isEmpty());

    preferences.setValue(PreferenceKeys::snapshotsEnabled, true);
    scheduler.unlocked(journal.key);
    QVERIFY(scheduler.writing());
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(scheduler.problem(), QString());
    QCOMPARE(preferences.value(PreferenceKeys::lastSnapshot), today);
    QVERIFY(QFile::exists(QDir(folder).filePath(SnapshotFolder::fileName(today))));
    scheduler.unlocked(journal.key);
    QVERIFY(!scheduler.writing());

    // A failure is said, the day stays unwritten, and the next unlock tries again.
    writeFile(journal.dir.filePath(QStringLiteral("a-file")));
    preferences.setString(QString::fromLatin1(PreferenceKeys::snapshotsFolder),
                          journal.dir.filePath(QStringLiteral("a-file/snapshots")));
    clock.advance(24 * 3600);
    scheduler.unlocked(journal.key);
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(scheduler.problem(), QStringLiteral("the folder could not be made"));
    QCOMPARE(preferences.value(PreferenceKeys::lastSnapshot), today);
    preferences.setString(QString::fromLatin1(PreferenceKeys::snapshotsFolder), folder);
    scheduler.unlocked(journal.key);
    QTRY_COMPARE(finished.count(), 3);
    QCOMPARE(scheduler.problem(), QString());
    QCOMPARE(SnapshotFolder::days(folder).size(), std::size_t(2));

    // Locked while it writes: it stops without a word (unless it was already whole), and the next unlock writes it.
    clock.advance(24 * 3600);
    const QDate third = clock.now().toLocalTime().date();
    const QString thirdFile = QDir(folder).filePath(SnapshotFolder::fileName(third));
    scheduler.unlocked(journal.key);
    QVERIFY(scheduler.writing());
    scheduler.unlocked(nullptr);
    QTRY_VERIFY(!scheduler.writing());
    QCOMPARE(scheduler.problem(), QString());
    QCOMPARE(QFile::exists(thirdFile), preferences.value(PreferenceKeys::lastSnapshot) == third);
    scheduler.unlocked(journal.key);
    QTRY_COMPARE(preferences.value(PreferenceKeys::lastSnapshot), third);
    QVERIFY(QFile::exists(thirdFile));
}

void TestSnapshots::refusesFoldersThatCannotHoldSnapshots()
{
    TempJournal journal;
    const QString journalPath = journal.store->path();
    // Under the home folder, which the tests' session keeps in a temporary place.
    const QString home = QDir::homePath();
    writeFile(home + QStringLiteral("/a-file"));
    const struct
    {
        QString folder;
        const char* reason;
    } cases[] = {
        {QStringLiteral("/tmp/wendle-snapshots-elsewhere"), "system or temporary"},
        {QStringLiteral("/proc/self"), "system or temporary"},
        {QStringLiteral("/dev/shm/x"), "system or temporary"},
        {journal.dir.path(), "journal's own folder"},
        {journalPath, "journal's own folder"},
        {home + QStringLiteral("/a-file/x"), "not a folder"},
        {home + QStringLiteral("/backups/wendle"), nullptr},
    };
    for (const auto& candidate : cases) {
        const std::optional<QString> refused = SnapshotFolder::refusal(candidate.folder, journalPath);
        QVERIFY2(candidate.reason ? refused && refused->contains(QLatin1String(candidate.reason)) : !refused,
                 qPrintable(candidate.folder + u' ' + refused.value_or(QStringLiteral("accepted"))));
    }
}

QTEST_GUILESS_MAIN(TestSnapshots)
#include "TestSnapshots.moc"
