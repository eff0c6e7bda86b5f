// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
#include "journal/WrittenDays.h"

#include <QTest>

#include "TempJournal.h"
#include <QTimeZone>

using namespace wendle;

class TestWrittenDays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void dayIsWrittenAtTwentyWords();
    void journalDayDecidesTheEntry();

private:
    Entry* add(const QString& dayKey, const QString& promptID, qint64 words, const QDateTime& date = {});

    std::unique_ptr<test::TempJournal> m_journal;
    const Calendar m_calendar = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
};

void TestWrittenDays::init()
{
    m_journal = std::make_unique<test::TempJournal>();
}

void TestWrittenDays::cleanup()
{
    m_journal.reset();
}

Entry* TestWrittenDays::add(const QString& dayKey, const QString& promptID, qint64 words, const QDateTime& date)
{
    return m_journal->add(dayKey, promptID, QString(), words, date);
}

void TestWrittenDays::dayIsWrittenAtTwentyWords()
{
    add(QStringLiteral("2024-03-01"), QStringLiteral("memory-001"), 19);
    add(QStringLiteral("2024-03-02"), QStringLiteral("memory-002"), 20);
    add(QStringLiteral("2024-03-03"), QStringLiteral("memory-003"), 12);
    add(QStringLiteral("2024-03-03"), QStringLiteral("freeform"), 8);
    // Two entries of one day and prompt (the store does not forbid it) both count.
    add(QStringLiteral("2024-03-04"), QStringLiteral("memory-004"), 10);
    add(QStringLiteral("2024-03-04"), QStringLiteral("memory-004"), 10);
    add(QStringLiteral("2024-03-05"), QStringLiteral("memory-005"), 0);

    const QHash<QString, qint64> words = wordsByDay(m_journal->store->entries());
    QCOMPARE(words.value(QStringLiteral("2024-03-01")), 19);
    QCOMPARE(words.value(QStringLiteral("2024-03-03")), 20);
    QCOMPARE(words.value(QStringLiteral("2024-03-04")), 20);
    QCOMPARE(words.value(QStringLiteral("2024-03-05")), 0);
    QVERIFY(words.contains(QStringLiteral("2024-03-05")));
    QVERIFY(!words.contains(QStringLiteral("2024-03-06")));

    const QSet<QString> expected{QStringLiteral("2024-03-02"), QStringLiteral("2024-03-03"),
                                 QStringLiteral("2024-03-04")};
    QCOMPARE(completedDayKeys(m_journal->store->entries()), expected);
}

void TestWrittenDays::journalDayDecidesTheEntry()
{
    // Writing at 02:30 on 6 March belongs to 5 March; the first save after 03:00 starts 6 March.
    const QTimeZone berlin("Europe/Berlin");
    const QDateTime halfPastTwo = QDateTime(QDate(2024, 3, 6), QTime(2, 30), berlin).toUTC();
    const QDateTime three = QDateTime(QDate(2024, 3, 6), QTime(3, 0), berlin).toUTC();
    const QString prompt = QStringLiteral("memory-001");

    const QString lateKey = journalDayKey(halfPastTwo, m_calendar);
    QCOMPARE(lateKey, QStringLiteral("2024-03-05"));
    Entry* late = add(lateKey, prompt, countWords(QStringLiteral("still yesterday")), halfPastTwo);
    QCOMPARE(m_journal->store->firstEntry(journalDayKey(halfPastTwo.addSecs(29 * 60), m_calendar), prompt), late);
    QVERIFY(isTodayEntry(*late, halfPastTwo.addSecs(29 * 60), m_calendar));

    QVERIFY(!isTodayEntry(*late, three, m_calendar));
    QVERIFY(m_journal->store->firstEntry(journalDayKey(three, m_calendar), prompt) == nullptr);
}

QTEST_GUILESS_MAIN(TestWrittenDays)
#include "TestWrittenDays.moc"
