// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempJournal.h"

#include "app/ExportWriter.h"
#include "app/JournalExport.h"
#include "app/JournalImport.h"
#include "journal/Calendar.h"
#include "journal/DayKey.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

Calendar berlinCalendar()
{
    return Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
}

Calendar newYorkCalendar()
{
    return Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QSet<QString> fingerprints(const EntryStore& store, const EntryKey& key)
{
    QSet<QString> prints;
    for (const Entry* entry : store.entries()) {
        prints << QStringLiteral("%1|%2|%3|%4|%5")
                      .arg(entry->date().toMSecsSinceEpoch())
                      .arg(entry->dayKey(), entry->promptID())
                      .arg(entry->creditedWords())
                      .arg(openEntryText(entry->cipherBody(), key));
    }
    return prints;
}

} // namespace

class TestExportImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripAcrossClockChangesAndZones();
    void markdownDayAndUnreadableBody();
    void importsFolderAndJrnlOnce();
};

void TestExportImport::roundTripAcrossClockChangesAndZones()
{
    const Calendar berlin = berlinCalendar();
    const Calendar newYork = newYorkCalendar();
    TempJournal source;
    // Every 7 h 13 min from January on: the entries cross both of 2024's clock changes and every hour of the day.
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(1'704'067'200'007, Qt::UTC);
    for (int i = 0; i < 1000; ++i) {
        const QDateTime date = start.addSecs(qint64(i) * (7 * 3600 + 13 * 60));
        source.add(journalDayKey(date, berlin), QStringLiteral("p-%1").arg(i % 5),
                   QStringLiteral("Entry %1\nsecond line — %2 ✓").arg(i).arg(words(i % 40)), i % 3 == 0 ? 7 : -1, date);
    }
    QVERIFY(source.store->save());
    const std::vector<ExportedEntry> exported = collectForExport(*source.store, *source.key, {});
    const ExportFile json = jsonExport(exported, berlin, QStringLiteral("wendle.json"));
    QVERIFY(json.contents.contains("+01:00") && json.contents.contains("+02:00"));

    TempJournal target;
    const ImportPlan plan = planJsonImport(json.contents, json.name, *target.store, newYork);
    QCOMPARE(int(plan.entries.size()), 1000);
    QVERIFY(plan.skipped.empty());
    QString error;
    QVERIFY(applyImport(plan, *target.store, *target.key, &error));
    QCOMPARE(fingerprints(*target.store, *target.key), fingerprints(*source.store, *source.key));

    const ImportPlan again = planJsonImport(json.contents, json.name, *target.store, newYork);
    QVERIFY(again.entries.empty());
    QCOMPARE(int(again.skipped.size()), 1000);

    const std::vector<ExportFile> days = markdownExport(exported, berlin);
    QSet<QString> dayKeys;
    for (const Entry* entry : source.store->entries()) {
        dayKeys << entry->dayKey();
    }
    QCOMPARE(int(days.size()), int(dayKeys.size()));
}

void TestExportImport::markdownDayAndUnreadableBody()
{
    const Calendar berlin = berlinCalendar();
    TempJournal journal;
    const auto lostKey = EntryKey::random();
    const QDateTime morning = QDateTime::fromString(QStringLiteral("2024-03-10T06:05:00Z"), Qt::ISODate);
    journal.add(QStringLiteral("2024-03-10"), Entry::freeformPromptID, QStringLiteral("Evening pages"), -1,
                morning.addSecs(12 * 3600));
    journal.add(QStringLiteral("2024-03-10"), QStringLiteral("m-1"), QStringLiteral("First light"), -1, morning);
    journal.add(QStringLiteral("2024-03-10"), QStringLiteral("m-2"), QStringLiteral("lost words"), -1,
                morning.addSecs(3600), lostKey.get());
    journal.add(QStringLiteral("2024-03-11"), QStringLiteral("m-1"), QStringLiteral("Next day"), -1,
                morning.addDays(1));
    QVERIFY(journal.store->save());

    const std::vector<ExportedEntry> entries = collectForExport(
        *journal.store, *journal.key,
        {{QStringLiteral("m-1"), PromptCategory::memory, QStringLiteral("What did you see first?")}});
    QCOMPARE(unreadableEntries(entries, berlin), QStringList{QStringLiteral("2024-03-10 08:05, memory")});
    const std::vector<ExportFile> files = markdownExport(entries, berlin);
    QCOMPARE(files.size(), std::size_t(2));
    QCOMPARE(files[0].name, QStringLiteral("2024-03-10.md"));
    QCOMPARE(QString::fromUtf8(files[0].contents),
             QStringLiteral("# 2024-03-10\n\n## 07:05 · memory · What did you see first?\n\nFirst light\n"
                            "\n## 08:05 · memory\n\n%1\n\n## 19:05 · memory\n\nEvening pages\n")
                 .arg(unreadableNote()));
    QVERIFY(jsonExport(entries, berlin, QStringLiteral("x.json")).contents.contains("\"unreadable\": true"));

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("export/wendle"));
    QString error;
    QVERIFY(makePrivateFolder(folder, &error));
    const ExportFile later{QStringLiteral("2024-03-11.md"), "Later"};
    {
        // Cancelled: what was staged goes, and the folder is as it was.
        ExportWriter cancelled(folder, false);
        QVERIFY(cancelled.stage(files[0], &error) && cancelled.stage(later, &error));
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    {
        ExportWriter writer(folder, false);
        QVERIFY(writer.stage(files[0], &error) && writer.stage(later, &error) && writer.finish(&error));
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({files[0].name, later.name}));
    QCOMPARE(QFileInfo(folder).permissions() & 0x0077, 0);
    QCOMPARE(QFileInfo(QDir(folder).filePath(files[0].name)).permissions() & 0x0077, 0);
    QCOMPARE(fileBytes(QDir(folder).filePath(files[0].name)), files[0].contents);

    // An existing file is kept unless replacing was chosen.
    ExportWriter keeping(folder, false);
    QVERIFY(!keeping.stage({files[0].name, "other"}, &error));
    QVERIFY(error.contains(QStringLiteral("already exists")));
    ExportWriter replacing(folder, true);
    QVERIFY(replacing.stage({files[0].name, "other"}, &error) && replacing.finish(&error));
    QCOMPARE(fileBytes(QDir(folder).filePath(files[0].name)), QByteArray("other"));
}

void TestExportImport::importsFolderAndJrnlOnce()
{
    const Calendar newYork = newYorkCalendar();
    TempJournal journal;
    journal.add(QStringLiteral("2023-05-03"), Entry::freeformPromptID, QStringLiteral("written here"));
    QVERIFY(journal.store->save());
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("2023-05-01.md")), "# May day\n\nwalked to the lake");
    writeFile(dir.filePath(QStringLiteral("2023-05-02 morning.txt")), "one two three");
    writeFile(dir.filePath(QStringLiteral("2023-05-02 evening.txt")), "four five");
    writeFile(dir.filePath(QStringLiteral("2023-05-03.txt")), "already there");
    writeFile(dir.filePath(QStringLiteral("2023-02-30.txt")), "no such day");
    writeFile(dir.filePath(QStringLiteral("notes.md")), "undated");

    ImportPlan folder = planFolderImport(dir.path(), *journal.store, newYork);
    QCOMPARE(folder.entries.size(), std::size_t(2));
    QCOMPARE(folder.entries[1].dayKey, QStringLiteral("2023-05-02"));
    QCOMPARE(folder.entries[1].text, QStringLiteral("four five\n\none two three"));
    QCOMPARE(folder.entries[1].creditedWords, 5);
    QCOMPARE(newYork.components(folder.entries[1].date).hour, 12);
    QCOMPARE(folder.entries[1].categoryRaw, QStringLiteral("pages"));
    QCOMPARE(folder.skipped.size(), std::size_t(3));
    QString error;
    QVERIFY(applyImport(folder, *journal.store, *journal.key, &error));
    QVERIFY(planFolderImport(dir.path(), *journal.store, newYork).entries.empty());

    const QByteArray jrnl = R"({"tags": {}, "entries": [
        {"date": "2023-06-01", "time": "21:30", "title": "Long day.", "body": "First line\nSecond line\n\nThird"},
        {"date": "2023-06-02", "time": "01:15", "title": "Late.", "body": ""},
        {"date": "June 3rd", "time": "09:00", "title": "Bad date", "body": "x"},
        {"date": "2023-06-04", "time": "10:00", "title": "Fine", "body": "still imported"}]})";
    const ImportPlan imported = planJsonImport(jrnl, QStringLiteral("jrnl.json"), *journal.store, newYork);
    QCOMPARE(imported.skipped.size(), std::size_t(1));
    QCOMPARE(imported.skipped[0].source, QStringLiteral("jrnl.json, entry 3"));
    QCOMPARE(imported.entries.size(), std::size_t(2));
    // 01:15 belongs to the journal day before, so it joins that day's free writing.
    QCOMPARE(imported.entries[0].text, QStringLiteral("Long day.\nFirst line\nSecond line\n\nThird\n\nLate."));
    QCOMPARE(imported.entries[0].creditedWords, 8);
    QCOMPARE(imported.entries[1].dayKey, QStringLiteral("2023-06-04"));
    QVERIFY(applyImport(imported, *journal.store, *journal.key, &error));
    QVERIFY(planJsonImport(jrnl, QStringLiteral("jrnl.json"), *journal.store, newYork).entries.empty());
    QCOMPARE(journal.store->entries().size(), std::size_t(5));
    QVERIFY(planJsonImport("{not json", QStringLiteral("bad.json"), *journal.store, newYork).entries.empty());

    // ISO dates are Gregorian even for someone who keeps the Buddhist calendar.
    const ImportPlan buddhist
        = planJsonImport(jrnl, QStringLiteral("jrnl.json"), *TempJournal().store,
                         Calendar::make(QStringLiteral("th_TH@calendar=buddhist"), QStringLiteral("Asia/Bangkok")));
    QCOMPARE(buddhist.entries.size(), std::size_t(2));
    QCOMPARE(buddhist.entries[0].date, QDateTime::fromString(QStringLiteral("2023-06-01T14:30:00Z"), Qt::ISODate));
    QCOMPARE(buddhist.entries[0].dayKey, QStringLiteral("2566-06-01"));
}

QTEST_GUILESS_MAIN(TestExportImport)
#include "TestExportImport.moc"
