// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/WrittenDays.h"

#include "TempJournal.h"

#include <QTest>
#include <QTimeZone>

using namespace wendle;

class TestWrittenDays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayIsWrittenAtTwentyWords();
};

void TestWrittenDays::dayIsWrittenAtTwentyWords()
{
    test::TempJournal journal;
    const auto add = [&](const char* dayKey, const char* promptID, qint64 words) {
        return journal.add(QString::fromLatin1(dayKey), QString::fromLatin1(promptID), QString(), words);
    };
    add("2024-03-01", "memory-001", 19);
    add("2024-03-02", "memory-002", 20);
    add("2024-03-03", "memory-003", 12);
    add("2024-03-03", "freeform", 8);
    // Two entries of one day and prompt (the store does not forbid it) both count.
    add("2024-03-04", "memory-004", 10);
    const Entry* late = add("2024-03-04", "memory-004", 10);
    add("2024-03-05", "memory-005", 0);

    QCOMPARE(wordsByDay(journal.store->entries()).value(QStringLiteral("2024-03-04")), 20);
    QCOMPARE(completedDayKeys(journal.store->entries()),
             (QSet<QString>{QStringLiteral("2024-03-02"), QStringLiteral("2024-03-03"), QStringLiteral("2024-03-04")}));

    // An entry is today's until 03:00 the next morning.
    const Calendar berlin = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    const QDateTime three = QDateTime(QDate(2024, 3, 5), QTime(3, 0), QTimeZone("Europe/Berlin")).toUTC();
    QVERIFY(isTodayEntry(*late, three.addSecs(-1), berlin));
    QVERIFY(!isTodayEntry(*late, three, berlin));
}

QTEST_GUILESS_MAIN(TestWrittenDays)
#include "TestWrittenDays.moc"
