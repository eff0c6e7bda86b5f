// SPDX-License-Identifier: GPL-3.0-or-later
// Taking entries out of a journal and into another: exports, imports, and sealed backups.
#include "TempJournal.h"

#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/LockedBuffer.h"
#include "journal/SyncId.h"
#include "transfer/ExportWriter.h"
#include "transfer/ImportFiles.h"
#include "transfer/JournalBackup.h"
#include "transfer/JournalExport.h"
#include "transfer/JournalImport.h"
#include "transfer/MarkdownDay.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace wendle;
using namespace wendle::test;

namespace {

Calendar calendar(const char* locale, const char* zone)
{
    return Calendar::make(QString::fromLatin1(locale), QString::fromLatin1(zone));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

/**
 * Every entry's fields, global id and text; the sealed bytes stand for a text that does not open under `key`. So
 * each round trip below also checks that entries keep their ids.
 */
QSet<QString> fingerprints(const EntryStore& store, const EntryKey& key)
{
    QSet<QString> prints;
    for (const Entry* entry : store.entries()) {
        const QByteArray body = entry->cipherBody();
        prints << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                      .arg(entry->date().toMSecsSinceEpoch())
                      .arg(entry->dayKey(), entry->promptID(), entry->categoryRaw())
                      .arg(entry->creditedWords())
                      .arg(opensUnder(body, key) ? openEntryText(body, key) : QString::fromLatin1(body.toHex()),
                           QString::fromLatin1(entry->globalId().toHex()));
    }
    return prints;
}

const QDateTime now = QDateTime::fromString(QStringLiteral("2026-12-07T12:00:00Z"), Qt::ISODate);

ImportPlan planJson(const QByteArray& json, const TempJournal& journal, const Calendar& calendar)
{
    return planJsonImport(parseJsonImport(json, QStringLiteral("x.json")), *journal.store, *journal.key, calendar, now);
}

ImportPlan planFolder(const QString& folder, const TempJournal& journal, const Calendar& calendar)
{
    return planFolderImport(readImportFolder(folder), *journal.store, *journal.key, calendar, now);
}

bool apply(const ImportPlan& plan, TempJournal& journal, const Calendar& calendar)
{
    QString error;
    return applyImport(plan, *journal.store, *journal.key, now, calendar, &error);
}

// A cheap derivation keeps the tests quick; the file records it, and the reader honours what the file says.
const ScryptParameters quick{10, 8, 1};
const QString passphrase = QStringLiteral("correct horse battery staple");
RestorePlan planBackup(const BackupContents& contents, const TempJournal& journal)
{
    return planRestore(contents, *journal.store, *journal.key, calendar("en_US", "UTC"), now);
}

QStringList reasons(const ImportPlan& plan)
{
    QStringList list;
    for (const ImportSkip& skip : plan.skipped) {
        list << skip.source + QStringLiteral(": ") + skip.reason;
    }
    return list;
}

} // namespace

class TestExportImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripAcrossClockChangesAndZones();
    void markdownDaysComeBackWholeInEveryCalendar();
    void exportIsAllOrNothing();
    void importsFolderAndJrnlOnce();
    void refusesWhatAFileOrFolderCannotBeTrustedWith();
    void backupRestoresOnceAndRepairsWhatNoLongerOpens();
    void backupRefusesWhatItCannotTrust();
    void globalIdsFromAFileAreCheckedFirst();
};

void TestExportImport::roundTripAcrossClockChangesAndZones()
{
    const Calendar berlin = calendar("de_DE", "Europe/Berlin");
    const Calendar newYork = calendar("en_US", "America/New_York");
    TempJournal source;
    // Every 7 h 13 min from January on: the entries cross both of 2024's clock changes and every hour of the day.
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(1'704'067'200'007, Qt::UTC);
    for (int i = 0; i < 1000; ++i) {
        const QDateTime date = start.addSecs(qint64(i) * (7 * 3600 + 13 * 60));
        source.add(journalDayKey(date, berlin), QStringLiteral("p-%1").arg(i % 5),
                   QStringLiteral("Entry %1\nsecond line — %2 ✓").arg(i).arg(words(i % 40)), -1, date);
    }
    QVERIFY(source.store->save());
    const std::vector<ExportedEntry> exported = collectForExport(*source.store, *source.key, {});
    const ExportFile json = jsonExport(exported, berlin, QStringLiteral("wendle.json"));
    QVERIFY(json.contents.contains("+01:00") && json.contents.contains("+02:00"));

    TempJournal target;
    const ImportPlan plan = planJson(json.contents, target, newYork);
    QCOMPARE(int(plan.entries.size()), 1000);
    QVERIFY(plan.skipped.empty());
    QVERIFY(apply(plan, target, newYork));
    QCOMPARE(fingerprints(*target.store, *target.key), fingerprints(*source.store, *source.key));
    QCOMPARE(jsonExport(collectForExport(*target.store, *target.key, {}), berlin, json.name).contents, json.contents);

    const ImportPlan again = planJson(json.contents, target, newYork);
    QVERIFY(again.entries.empty());
    QCOMPARE(int(again.skipped.size()), 1000);
}

void TestExportImport::markdownDaysComeBackWholeInEveryCalendar()
{
    const Calendar berlin = calendar("de_DE", "Europe/Berlin");
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
    const std::vector<ExportFile> days = markdownExport(entries, berlin);
    QCOMPARE(days.size(), std::size_t(2));
    QCOMPARE(days[0].name, QStringLiteral("2024-03-10.md"));
    QCOMPARE(days[0].entries, 3);
    // A day's entries by their time, each under its prompt's text; the layout itself is TestFormats' to check.
    const QString day = QString::fromUtf8(days[0].contents);
    QVERIFY(day.contains(QStringLiteral("\n## 07:05 · memory · What did you see first?\n")));
    QVERIFY(day.indexOf(u"## 07:05") < day.indexOf(u"## 08:05") && day.indexOf(u"## 08:05") < day.indexOf(u"## 19:05"));
    QVERIFY(day.contains(QStringLiteral(" unreadable -->\n\n") + unreadableNote()));
    QVERIFY(jsonExport(entries, berlin, QStringLiteral("x.json")).contents.contains("\"unreadable\": true"));

    // Written out and read back in a calendar with other years.
    const Calendar buddhist = calendar("th_TH@calendar=buddhist", "Asia/Bangkok");
    TempJournal source;
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(1'672'700'000'123, Qt::UTC); // 2023-01-03, Bangkok
    for (int i = 0; i < 40; ++i) {
        const QDateTime date = first.addSecs(qint64(i) * 5 * 3600);
        source.add(journalDayKey(date, buddhist), i % 5 ? QStringLiteral("memory-%1").arg(i) : Entry::freeformPromptID,
                   i == 7 ? QStringLiteral("## 10:00 · memory\n\nlooks like a heading\n\n") : words(i + 1), -1, date);
    }
    QVERIFY(source.store->save());
    const std::vector<ExportFile> files = markdownExport(collectForExport(*source.store, *source.key, {}), buddhist);
    QCOMPARE(files.front().name, QStringLiteral("2023-01-03.md"));
    QVERIFY(files.front().contents.startsWith("# 2023-01-03\n"));

    QTemporaryDir dir;
    for (const ExportFile& file : files) {
        writeFile(dir.filePath(file.name), file.contents);
    }
    TempJournal target;
    const ImportPlan plan = planFolder(dir.path(), target, buddhist);
    QVERIFY2(plan.skipped.empty(), qPrintable(reasons(plan).join(u'\n')));
    QCOMPARE(int(plan.entries.size()), 40);
    QCOMPARE(plan.entries.front().record.dayKey, QStringLiteral("2566-01-03"));
    QVERIFY(apply(plan, target, buddhist));
    QCOMPARE(fingerprints(*target.store, *target.key), fingerprints(*source.store, *source.key));
    const std::vector<ExportFile> again = markdownExport(collectForExport(*target.store, *target.key, {}), buddhist);
    QCOMPARE(again.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        QCOMPARE(again[i].name, files[i].name);
        QCOMPARE(again[i].contents, files[i].contents);
    }
    QCOMPARE(int(planFolder(dir.path(), target, buddhist).skipped.size()), 40);
}

void TestExportImport::exportIsAllOrNothing()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("export/wendle"));
    QString error;
    QVERIFY(makePrivateFolder(folder, &error));
    const ExportFile first{QStringLiteral("2024-03-10.md"), "First", 1};
    const ExportFile later{QStringLiteral("2024-03-11.md"), "Later", 1};
    const auto listing = [&folder] {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    };
    {
        // Cancelled: what was staged goes, and the folder is as it was.
        ExportWriter cancelled(folder, false);
        QVERIFY(cancelled.stage(first, &error) && cancelled.stage(later, &error));
    }
    QCOMPARE(listing(), QStringList());
    {
        ExportWriter writer(folder, false);
        QVERIFY(writer.stage(first, &error) && writer.stage(later, &error) && writer.finish(&error));
    }
    QCOMPARE(listing(), QStringList({first.name, later.name}));
    QCOMPARE(QFileInfo(folder).permissions() & 0x0077, 0);
    QCOMPARE(QFileInfo(QDir(folder).filePath(first.name)).permissions() & 0x0077, 0);

    // An existing file is kept unless replacing was chosen; a name is never a path.
    ExportWriter keeping(folder, false);
    QVERIFY(!keeping.stage({first.name, "other", 1}, &error));
    QVERIFY(error.contains(QStringLiteral("already exists")));
    QVERIFY(!keeping.stage({QStringLiteral("../escape.md"), "x", 1}, &error));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("export/escape.md"))));

    // A replace that fails part-way puts back what it replaced and removes what it named.
    QVERIFY(QDir(folder).mkdir(QStringLiteral("2024-03-12.md")));
    {
        ExportWriter replacing(folder, true);
        QVERIFY(replacing.stage({first.name, "new first", 1}, &error) && replacing.stage({later.name, "new", 1}, &error)
                && replacing.stage({QStringLiteral("2024-03-12.md"), "new", 1}, &error));
        QVERIFY(!replacing.finish(&error));
        QVERIFY(error.contains(QStringLiteral("is not a file")));
    }
    {
        ExportWriter replacing(folder, true);
        QVERIFY(replacing.stage({first.name, "new first", 1}, &error)
                && replacing.stage({QStringLiteral("2024-03-13.md"), "new", 1}, &error)
                && replacing.stage({later.name, "new later", 1}, &error));
        // The last file's staged copy vanishes before it is named, after the first two already are.
        for (const QString& name : listing()) {
            if (name.startsWith(QStringLiteral(".2024-03-11.md."))) {
                QVERIFY(QFile::remove(QDir(folder).filePath(name)));
            }
        }
        QVERIFY(!replacing.finish(&error));
    }
    QCOMPARE(listing(), QStringList({first.name, later.name, QStringLiteral("2024-03-12.md")}));
    QCOMPARE(fileBytes(QDir(folder).filePath(first.name)), first.contents);
    QCOMPARE(fileBytes(QDir(folder).filePath(later.name)), later.contents);

    ExportWriter replacing(folder, true);
    QVERIFY(replacing.stage({first.name, "other", 1}, &error) && replacing.finish(&error));
    QCOMPARE(fileBytes(QDir(folder).filePath(first.name)), QByteArray("other"));
}

void TestExportImport::importsFolderAndJrnlOnce()
{
    const Calendar newYork = calendar("en_US", "America/New_York");
    TempJournal journal;
    journal.add(QStringLiteral("2023-05-03"), Entry::freeformPromptID, QStringLiteral("written here"), -1,
                QDateTime::fromString(QStringLiteral("2023-05-03T16:00:00Z"), Qt::ISODate));
    QVERIFY(journal.store->save());
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("2023-05-01.md")), "# May day\r\n\r\nwalked to the lake");
    writeFile(dir.filePath(QStringLiteral("2023-05-02 morning.txt")), "one two three");
    writeFile(dir.filePath(QStringLiteral("2023-05-02 evening.txt")), "four five");
    writeFile(dir.filePath(QStringLiteral("2023-05-03.txt")), "written here");
    writeFile(dir.filePath(QStringLiteral("2023-05-03 b.txt")), "and more");
    writeFile(dir.filePath(QStringLiteral("2023-02-30.txt")), "no such day");
    writeFile(dir.filePath(QStringLiteral("notes.md")), "undated");

    ImportPlan folder = planFolder(dir.path(), journal, newYork);
    QCOMPARE(folder.entries.size(), std::size_t(3));
    QCOMPARE(folder.entries[0].record.text.value_or(QString()), QStringLiteral("# May day\n\nwalked to the lake"));
    QCOMPARE(folder.entries[1].record.dayKey, QStringLiteral("2023-05-02"));
    QCOMPARE(folder.entries[1].record.text.value_or(QString()), QStringLiteral("four five\n\none two three"));
    QCOMPARE(folder.entries[1].record.creditedWords, 5);
    QCOMPARE(newYork.components(folder.entries[1].record.date).hour, 12);
    QCOMPARE(folder.entries[1].record.categoryRaw, QStringLiteral("pages"));
    // Text already in the day's free writing is skipped; new text is added to it.
    QCOMPARE(folder.entries[2].addTo, journal.store->firstEntry(QStringLiteral("2023-05-03"), Entry::freeformPromptID));
    QCOMPARE(reasons(folder),
             QStringList({QStringLiteral("2023-02-30.txt: its name: 2023-02-30 is not a real day"),
                          QStringLiteral("notes.md: its name: it does not start with a date (YYYY-MM-DD)"),
                          QStringLiteral("2023-05-03.txt: its text is already in this day's entry")}));
    QVERIFY(apply(folder, journal, newYork));
    Entry* may3 = journal.store->firstEntry(QStringLiteral("2023-05-03"), Entry::freeformPromptID);
    QCOMPARE(openEntryText(may3->cipherBody(), *journal.key), QStringLiteral("written here\n\nand more"));
    QCOMPARE(may3->creditedWords(), 2); // a past day keeps its credited words
    QVERIFY(planFolder(dir.path(), journal, newYork).entries.empty());

    QByteArray jrnl = R"({"tags": {}, "entries": [
        {"date": "2023-06-01", "time": "21:30", "title": "Long day.", "body": "First line\r\nSecond line\n\nThird"},
        {"date": "2023-06-02", "time": "01:15", "title": "Late.", "body": "", "starred": true},
        {"date": "June 3rd", "time": "09:00", "title": "Bad date", "body": "x"},
        {"date": "2023-06-04", "time": "10:00", "title": "Fine", "body": "still imported"}]})";
    const ImportPlan imported = planJson(jrnl, journal, newYork);
    QCOMPARE(reasons(imported), QStringList{QStringLiteral("x.json, entry 3: it has no valid date and time")});
    QCOMPARE(imported.entries.size(), std::size_t(2));
    // 01:15 belongs to the journal day before, so it joins that day's free writing.
    QCOMPARE(imported.entries[0].record.text.value_or(QString()),
             QStringLiteral("Long day.\nFirst line\nSecond line\n\nThird\n\nLate."));
    QCOMPARE(imported.entries[0].record.creditedWords, 8);
    QCOMPARE(imported.entries[1].record.dayKey, QStringLiteral("2023-06-04"));
    QVERIFY(apply(imported, journal, newYork));
    QCOMPARE(int(planJson(jrnl, journal, newYork).skipped.size()), 4);

    // The jrnl journal grew: only its new entry is added, after what the day holds.
    jrnl.replace(R"("body": "still imported"})", R"("body": "still imported"},
        {"date": "2023-06-04", "time": "20:00", "title": "Evening", "body": "came later"})");
    const ImportPlan grown = planJson(jrnl, journal, newYork);
    QCOMPARE(grown.entries.size(), std::size_t(1));
    QCOMPARE(grown.entries[0].record.text.value_or(QString()), QStringLiteral("Evening\ncame later"));
    QVERIFY(apply(grown, journal, newYork));
    QCOMPARE(
        openEntryText(journal.store->firstEntry(QStringLiteral("2023-06-04"), Entry::freeformPromptID)->cipherBody(),
                      *journal.key),
        QStringLiteral("Fine\nstill imported\n\nEvening\ncame later"));
    QCOMPARE(journal.store->entries().size(), std::size_t(5));

    // Wendle's own entries too: a day keeps one entry of free writing, whichever computer it was written on.
    const ImportPlan elsewhere = planJson(R"({"entries": [{"date": "2023-05-03T23:00:00Z", "dayKey": "2023-05-03",
        "promptID": "freeform", "category": "pages", "text": "from the other computer"}]})",
                                          journal, newYork);
    QCOMPARE(elsewhere.entries.size(), std::size_t(1));
    QCOMPARE(elsewhere.entries[0].addTo, may3);

    // ISO dates are Gregorian even for someone who keeps the Buddhist calendar.
    const ImportPlan buddhist = planJson(jrnl, TempJournal(), calendar("th_TH@calendar=buddhist", "Asia/Bangkok"));
    QCOMPARE(buddhist.entries.size(), std::size_t(2));
    QCOMPARE(buddhist.entries[0].record.date,
             QDateTime::fromString(QStringLiteral("2023-06-01T14:30:00Z"), Qt::ISODate));
    QCOMPARE(buddhist.entries[0].record.dayKey, QStringLiteral("2566-06-01"));
}

void TestExportImport::refusesWhatAFileOrFolderCannotBeTrustedWith()
{
    const Calendar berlin = calendar("de_DE", "Europe/Berlin");
    TempJournal journal;
    const QByteArray json = R"({"entries": [
        {"date": "2023-04-01T10:00:00Z", "dayKey": "./../../../tmp/x-2023-04-01", "promptID": "m-1", "category": "memory", "text": "a"},
        {"date": "2023-04-01T10:00:00Z", "dayKey": "0000-01-01", "promptID": "m-1", "category": "memory", "text": "b"},
        {"date": "2023-04-01T10:00:00Z", "dayKey": "2023-02-29", "promptID": "m-1", "category": "memory", "text": "c"},
        {"date": "2027-01-01T10:00:00Z", "dayKey": "2027-01-01", "promptID": "m-1", "category": "memory", "text": "d"},
        {"date": "2023-04-01T10:00:00Z", "dayKey": "2023-04-01", "promptID": "../m", "category": "memory", "text": "e"},
        {"date": "2023-04-01T10:00:00Z", "dayKey": "2023-04-01", "promptID": "m-1", "category": "memory", "text": null},
        {"date": "2023-04-01T10:00:00Z", "dayKey": "2023-04-01", "promptID": "m-1", "category": "memory", "text": "two words", "words": -5},
        {"date": "2023-04-01T11:00:00Z", "dayKey": "2023-04-01", "promptID": "m-2", "category": "memory", "text": "three more )"
                            "\xff"
                            R"(", "words": 9007199254740993}]})";
    const ImportPlan plan = planJson(json, journal, berlin);
    QCOMPARE(reasons(plan),
             QStringList({QStringLiteral("x.json, entry 1: its day is not a date (YYYY-MM-DD)"),
                          QStringLiteral("x.json, entry 2: 0000-01-01 is not a real day"),
                          QStringLiteral("x.json, entry 3: 2023-02-29 is not a real day"),
                          QStringLiteral("x.json, entry 4: 2027-01-01 is after today"),
                          QStringLiteral("x.json, entry 5: its prompt id is not one Wendle uses"),
                          QStringLiteral("x.json, entry 6: its text was not readable when it was exported")}));
    QCOMPARE(plan.entries.size(), std::size_t(2));
    QCOMPARE(plan.entries[0].record.creditedWords, 2);
    QCOMPARE(plan.entries[1].record.creditedWords, 3);
    QCOMPARE(plan.entries[1].record.text.value_or(QString()), QStringLiteral("three more \uFFFD"));
    QCOMPARE(plan.notes.size(), std::size_t(1));

    // A folder is read for its regular files only, and only those inside it.
    QTemporaryDir outside;
    writeFile(outside.filePath(QStringLiteral("secret.txt")), "not for import");
    QTemporaryDir dir;
    const auto path = [&dir](const char* name) { return QFile::encodeName(dir.filePath(QString::fromUtf8(name))); };
    writeFile(dir.filePath(QStringLiteral("2023-05-01.txt")), "plain \xff bytes");
    QVERIFY(::symlink("/dev/zero", path("2023-05-02.txt")) == 0);
    QVERIFY(::mkfifo(path("2023-05-03.txt"), 0600) == 0);
    QVERIFY(::symlink(QFile::encodeName(outside.filePath(QStringLiteral("secret.txt"))), path("2023-05-04.txt")) == 0);
    QVERIFY(::symlink("2023-05-01.txt", path("2023-05-05.md")) == 0);
    writeFile(dir.filePath(QStringLiteral("2023-05-06.txt")), {});
    QVERIFY(QFile::resize(dir.filePath(QStringLiteral("2023-05-06.txt")), maxImportFileBytes + 1));
    const QByteArray latin1Name = QFile::encodeName(dir.path()) + "/2023-05-07 caf\xe9.txt";
    const int latin1 = ::open(latin1Name.constData(), O_CREAT | O_WRONLY, 0600);
    // Qt cannot name this file to remove it with the folder.
    const auto removeLatin1 = qScopeGuard([&latin1Name] { ::unlink(latin1Name.constData()); });
    QVERIFY(latin1 >= 0 && ::close(latin1) == 0);

    const FolderContents read = readImportFolder(dir.path());
    QCOMPARE(read.files.size(), std::size_t(2));
    QCOMPARE(read.files[0].name, QStringLiteral("2023-05-01.txt"));
    QVERIFY(read.files[0].replacedBytes);
    QCOMPARE(read.files[1].name, QStringLiteral("2023-05-05.md"));
    QStringList skipped;
    for (const ImportSkip& skip : read.skipped) {
        skipped << skip.source.left(14) + u' ' + skip.reason;
    }
    QCOMPARE(skipped,
             QStringList({QStringLiteral("2023-05-02.txt it is a link to something outside the folder"),
                          QStringLiteral("2023-05-03.txt it is not a regular file"),
                          QStringLiteral("2023-05-04.txt it is a link to something outside the folder"),
                          QStringLiteral("2023-05-06.txt it is too large (more than 16 MiB)"),
                          QStringLiteral("2023-05-07 caf its name is not valid UTF-8")}));

    const ImportPlan fromFolder = planFolderImport(read, *journal.store, *journal.key, berlin, now);
    QCOMPARE(fromFolder.notes.size(), std::size_t(2)); // the file, and the link to it
    QCOMPARE(fromFolder.notes[0].reason, QStringLiteral("contains bytes that are not UTF-8; they were replaced"));
    QCOMPARE(fromFolder.skipped.size(), read.skipped.size());
    QCOMPARE(fromFolder.entries.size(), std::size_t(2));
}

void TestExportImport::backupRestoresOnceAndRepairsWhatNoLongerOpens()
{
    TempJournal source;
    const auto lostKey = EntryKey::random();
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
    source.add(QStringLiteral("2023-11-14"), QStringLiteral("p-1"), QStringLiteral("Snow on the pass 🏔"), -1, first);
    source.add(QStringLiteral("2023-11-14"), Entry::freeformPromptID, QStringLiteral("line one\nline two"), 40,
               first.addSecs(60));
    source.add(QStringLiteral("2023-11-15"), QStringLiteral("p-2"), QStringLiteral("sealed away"), -1, first.addDays(1),
               lostKey.get());
    Entry* rewritten = source.add(QStringLiteral("2023-11-16"), QStringLiteral("p-3"), QStringLiteral("old"), -1,
                                  first.addDays(2), lostKey.get());
    source.store->replaceBody(rewritten, sealEntryText(QStringLiteral("new text"), *source.key), *source.key);
    QVERIFY(source.store->save());

    const QString path = source.dir.filePath(backupFileName(first, calendar("en_US", "UTC")));
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("wendle-backup-2023-11-14.wendlebackup"));
    const BackupWriteResult written
        = writeBackupFile(path, snapshotJournal(*source.store, *source.key), passphrase, quick);
    QVERIFY2(written.error.isEmpty(), qPrintable(written.error));
    QCOMPARE(written.entries, 4);
    const QByteArray file = fileBytes(path);
    QVERIFY(!file.contains("Snow") && !file.contains("line one"));

    TempJournal target;
    const BackupReadResult read = decodeBackup(file, passphrase);
    QVERIFY(read.contents);
    const RestorePlan plan = planBackup(*read.contents, target);
    QCOMPARE(int(plan.newEntries.size()), 4);
    QString error;
    QVERIFY(applyRestore(plan, *read.contents, *target.store, *target.key, &error));

    const QString targetPath = target.store->path();
    target.store.reset();
    target.store = EntryStore::open(targetPath, &error);
    QCOMPARE(target.store->entries().size(), source.store->entries().size());
    QCOMPARE(fingerprints(*target.store, *target.key), fingerprints(*source.store, *source.key));
    QCOMPARE(target.store->displacedBodies().size(), std::size_t(1));
    QCOMPARE(openEntryText(target.store->displacedBodies().front().cipherBody, *lostKey), QStringLiteral("old"));

    // The key was lost and the journal goes on under a new one: the old entries no longer open.
    TempJournal journal;
    TempJournal before;
    before.key = EntryKey::random();
    for (TempJournal* sealed : {&journal, &before}) {
        sealed->add(QStringLiteral("2023-11-14"), QStringLiteral("p-1"), QStringLiteral("before the loss"), -1, first,
                    before.key.get());
        sealed->add(QStringLiteral("2023-11-15"), QStringLiteral("p-2"), QStringLiteral("also before"), 9,
                    first.addDays(1), before.key.get());
    }
    QVERIFY(journal.store->save());
    before.add(QStringLiteral("2023-11-16"), QStringLiteral("p-3"), QStringLiteral("new to it"), -1, first.addDays(2));
    // Bodies kept aside while saves fail belong to entries that have no row id yet: each keeps its own.
    before.store->replaceBody(before.store->entries()[0], sealEntryText(QStringLiteral("one"), *before.key),
                              *before.key);
    before.store->keepAside(before.store->entries()[1], QByteArray("aside for the second"), first);
    before.store->keepAside(before.store->entries()[2], QByteArray("aside for the third"), first);
    const BackupContents backup = snapshotJournal(*before.store, *before.key);
    QCOMPARE(backup.displaced.size(), std::size_t(2));
    QCOMPARE(backup.displaced[0].entryIndex, 1);
    QCOMPARE(backup.displaced[1].entryIndex, 2);

    const RestorePlan restore = planBackup(backup, journal);
    QCOMPARE(restore.newEntries, std::vector<int>{2});
    QCOMPARE(restore.repairs.size(), std::size_t(2));
    QVERIFY(applyRestore(restore, backup, *journal.store, *journal.key, &error));
    QCOMPARE(openEntryText(journal.store->entries()[0]->cipherBody(), *journal.key), QStringLiteral("one"));
    QCOMPARE(journal.store->entries()[1]->creditedWords(), 9);
    // What no longer opened is kept aside, never destroyed; a second restore has nothing left to do.
    QCOMPARE(journal.store->displacedBodies().size(), std::size_t(3));
    const RestorePlan again = planBackup(backup, journal);
    QVERIFY(again.newEntries.empty() && again.repairs.empty());
    QCOMPARE(again.presentEntries, 3);

    // Days, prompts and words are checked as an import checks them.
    BackupContents hostile;
    hostile.entries.push_back({{first, QStringLiteral("../../x-2023-04-01"), QStringLiteral("p-1"),
                                QStringLiteral("memory"), 1, QStringLiteral("a")},
                               {}});
    hostile.entries.push_back({{first, QStringLiteral("2023-11-20"), QStringLiteral("p-1"), QStringLiteral("memory"),
                                -5, QStringLiteral("two words")},
                               {}});
    const RestorePlan checked = planBackup(hostile, TempJournal());
    QCOMPARE(checked.skipped.size(), std::size_t(1));
    QCOMPARE(checked.skipped[0].reason, QStringLiteral("its day is not a date (YYYY-MM-DD)"));
    TempJournal fresh;
    QVERIFY(applyRestore(planBackup(hostile, fresh), hostile, *fresh.store, *fresh.key, &error));
    QCOMPARE(fresh.store->entries().front()->creditedWords(), 2);
}

void TestExportImport::backupRefusesWhatItCannotTrust()
{
    TempJournal journal;
    journal.add(QStringLiteral("2024-03-10"), QStringLiteral("p-1"), QStringLiteral("kept"));
    QVERIFY(journal.store->save());
    const QByteArray file = encodeBackup(snapshotJournal(*journal.store, *journal.key), passphrase, quick);

    QByteArray flipped = file;
    flipped[flipped.size() - 30] = char(flipped.at(flipped.size() - 30) ^ 0x01);
    QByteArray flippedHeader = file;
    flippedHeader[70] = char(flippedHeader.at(70) ^ 0x40); // inside the nonce, which the seal covers

    const struct
    {
        QByteArray bytes;
        QString passphrase;
        BackupError error;
    } cases[] = {
        {file, QStringLiteral("correct horse battery stapler"), BackupError::wrongPassphrase},
        {file.left(file.size() - 1), passphrase, BackupError::truncated},
        {file.left(40), passphrase, BackupError::truncated},
        {flipped, passphrase, BackupError::damaged},
        {flippedHeader, passphrase, BackupError::damaged},
        {QByteArray("SQLite format 3"), passphrase, BackupError::notABackup},
    };
    for (const auto& bad : cases) {
        const BackupReadResult read = decodeBackup(bad.bytes, bad.passphrase);
        QVERIFY(!read.contents);
        QCOMPARE(read.error, bad.error);
    }
    QVERIFY(decodeBackup(file, passphrase).contents);

    // A backup an earlier build sealed (under fixed derived bytes, in place of a passphrase's) still opens.
    const QByteArray earlier = fileBytes(QFINDTESTDATA("../fuzz/corpus/backup/fixed-key"));
    LockedBuffer derived(backupDerivedLength);
    for (std::size_t i = 0; i < derived.size(); ++i) {
        derived.data()[i] = static_cast<unsigned char>(i);
    }
    const BackupReadResult opened = openBackup(earlier, readBackupHeader(earlier).header.value(), derived);
    QVERIFY(opened.contents && opened.contents->entries.size() == 2 && opened.contents->displaced.size() == 1);
    QCOMPARE(opened.contents->entries[0].record.text.value_or(QString()), QStringLiteral("Snow"));
    QCOMPARE(opened.contents->entries[0].record.date.toMSecsSinceEpoch(), 1'700'000'000'123);
    QCOMPARE(opened.contents->entries[1].sealedBody.size(), 3);

    // The header's own hash: a changed salt is damage, never a wrong passphrase. Rehashed, a changed header gets
    // as far as the checks after it.
    const auto rehashed = [](QByteArray bytes) {
        bytes.replace(88, 32, QCryptographicHash::hash(bytes.left(88), QCryptographicHash::Sha256));
        return bytes;
    };
    QByteArray salted = file;
    salted[22] = char(salted.at(22) ^ 0x01);
    QCOMPARE(decodeBackup(salted, passphrase).error, BackupError::damaged);
    QCOMPARE(decodeBackup(rehashed(salted), passphrase).error, BackupError::wrongPassphrase);

    // Wendle's own cost is accepted; a far costlier one is refused from the header alone, before any derivation.
    const auto costing = [&file, &rehashed](quint8 log2N, quint32 r, quint32 p) {
        QByteArray bytes = file;
        bytes[11] = char(log2N);
        qToBigEndian(r, bytes.data() + 12);
        qToBigEndian(p, bytes.data() + 16);
        return rehashed(bytes);
    };
    QVERIFY(readBackupHeader(costing(17, 8, 1)).header);
    for (const QByteArray& costly : {costing(20, 32, 16), costing(17, 8, 8), costing(200, 1, 1)}) {
        QCOMPARE(decodeBackup(costly, passphrase).error, BackupError::damaged);
    }
}

void TestExportImport::globalIdsFromAFileAreCheckedFirst()
{
    // That ids travel with their entries, the fingerprints of every round trip above check.
    const Calendar utc = calendar("en_US", "UTC");
    TempJournal journal;
    journal.add(QStringLiteral("2023-11-14"), QStringLiteral("p-1"), QStringLiteral("one"), -1,
                QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC));
    QVERIFY(journal.store->save());
    const QString held = QString::fromLatin1(journal.store->entries().front()->globalId().toHex());

    // An id the journal holds names that entry, whatever else the file says of it; one that is not an id is left
    // out, and its entry comes in under a fresh one.
    const QByteArray odd = QStringLiteral(R"({"entries": [
        {"date": "2023-11-20T08:00:00.000Z", "dayKey": "2023-11-20", "globalID": "%1", "promptID": "p-3",
         "category": "memory", "text": "same id"},
        {"date": "2023-11-21T08:00:00.000Z", "dayKey": "2023-11-21", "globalID": "%2", "promptID": "p-3",
         "category": "memory", "text": "bad id"}]})")
                               .arg(held, held.toUpper())
                               .toUtf8();
    const ImportPlan plan = planJson(odd, journal, utc);
    QCOMPARE(reasons(plan), QStringList{QStringLiteral("x.json, entry 1: already in the journal")});
    QCOMPARE(plan.entries.size(), std::size_t(1));
    QVERIFY(plan.entries[0].record.globalId.isEmpty());

    // A backup from before ids, or with one that is not an id, restores under fresh ids; a held id is that entry.
    const QByteArray payload = QStringLiteral(R"({"displaced":[],"entries":[
        {"category":"memory","date":1700600000000,"dayKey":"2023-11-21","promptID":"p-4","text":"no id","words":2},
        {"category":"memory","date":1700700000000,"dayKey":"2023-11-22","globalID":"%1","promptID":"p-4",
         "text":"short id","words":2},
        {"category":"memory","date":1700800000000,"dayKey":"2023-11-23","globalID":"%2","promptID":"p-4",
         "text":"held id","words":2}]})")
                                   .arg(held.left(30), held)
                                   .toUtf8();
    const std::optional<BackupContents> old = backupContentsFromPayload(payload);
    QVERIFY(old && old->entries[0].record.globalId.isEmpty() && old->entries[1].record.globalId.isEmpty());
    const RestorePlan restore = planBackup(*old, journal);
    QCOMPARE(restore.newEntries, (std::vector<int>{0, 1}));
    QCOMPARE(restore.presentEntries, 1);
    QString error;
    QVERIFY(applyRestore(restore, *old, *journal.store, *journal.key, &error));
    QSet<QByteArray> distinct;
    for (const Entry* entry : journal.store->entries()) {
        QVERIFY(SyncId::isValid(entry->globalId()));
        distinct.insert(entry->globalId());
    }
    QCOMPARE(distinct.size(), 3);

    // In Markdown too an id that is not one leaves the entry Wendle's own.
    const std::optional<MarkdownDay> day = parseMarkdownDay(QStringLiteral(
        "# 2023-11-24\n\n## 08:00 · memory\n<!-- wendle entry 2023-11-24T08:00:00.000Z memory p-5 0f1e unreadable "
        "-->\n\nx\n"));
    QVERIFY(day && day->entries.size() == 1 && day->entries[0].unreadable && day->entries[0].globalId.isEmpty());
}

QTEST_GUILESS_MAIN(TestExportImport)
#include "TestExportImport.moc"
