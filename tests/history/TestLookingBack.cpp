// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/LookingBack.h"
#include "history/MonthRecap.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include "TempJournal.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace wendle;

class TestLookingBack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void lookBackDays();
    void choosesTheLongestEntryOfTheDay();
    void emptyOrUnreadableTextsAreNotShown();
    void itemsFollowTheJournalDay();
    void monthKeysAndPreviousMonths();
    void recapOfAMonth();
    void recapIsDueOncePerMonth();
    void quotedLine_data();
    void quotedLine();

private:
    Entry* add(const char* dayKey, const QString& text, qint64 words, const EntryKey* key = nullptr);
    std::optional<ResurfacedItem> itemOn(const char* dayKey) const
    {
        return resurfacedItem(QStringLiteral("one month ago"), QString::fromLatin1(dayKey), m_journal->store->entries(),
                              *m_journal->key);
    }

    /** The recap at `hour` on a day of 2025 in New York. */
    std::optional<RecapData> recapAt(int month, int day, int hour, const Preferences& preferences = {}) const
    {
        const QDateTime now = QDateTime(QDate(2025, month, day), QTime(hour, 0), QTimeZone("America/New_York"));
        return makeRecap(m_journal->store->entries(), *m_journal->key, now.toUTC(), m_calendar, preferences);
    }

    QTemporaryDir m_settings;
    std::unique_ptr<test::TempJournal> m_journal;
    const Calendar m_calendar = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
};

void TestLookingBack::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestLookingBack::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    m_journal = std::make_unique<test::TempJournal>();
}

void TestLookingBack::cleanup()
{
    m_journal.reset();
}

Entry* TestLookingBack::add(const char* dayKey, const QString& text, qint64 words, const EntryKey* key)
{
    return m_journal->add(QString::fromLatin1(dayKey), QStringLiteral("memory-001"), text, words, {}, key);
}

void TestLookingBack::lookBackDays()
{
    const auto back = [&](const char* key, LookBackUnit unit) {
        return lookBackDayKey(QString::fromLatin1(key), unit, m_calendar);
    };
    QCOMPARE(back("2024-03-31", LookBackUnit::month), QStringLiteral("2024-02-29"));
    QCOMPARE(back("2023-03-31", LookBackUnit::month), QStringLiteral("2023-02-28"));
    QCOMPARE(back("2028-02-29", LookBackUnit::year), QStringLiteral("2027-02-28"));
    QCOMPARE(back("2025-01-15", LookBackUnit::month), QStringLiteral("2024-12-15"));
    QCOMPARE(back("2024-03-10", LookBackUnit::month), QStringLiteral("2024-02-10"));
    QCOMPARE(back("bad", LookBackUnit::year), std::nullopt);

    const Calendar buddhist = Calendar::make(QStringLiteral("th_TH@calendar=buddhist"), QStringLiteral("Asia/Bangkok"));
    QCOMPARE(lookBackDayKey(QStringLiteral("2567-03-31"), LookBackUnit::month, buddhist), QStringLiteral("2567-02-29"));
    QCOMPARE(lookBackDayKey(QStringLiteral("2567-01-15"), LookBackUnit::year, buddhist), QStringLiteral("2566-01-15"));
}

void TestLookingBack::choosesTheLongestEntryOfTheDay()
{
    add("2023-05-14", QStringLiteral("short"), 40);
    Entry* longer = add("2023-05-14", QStringLiteral("the longer one"), 120);
    add("2023-05-13", QStringLiteral("another day"), 500);
    std::optional<ResurfacedItem> item = itemOn("2023-05-14");
    QVERIFY(item);
    QCOMPARE(item->entry, longer);
    QCOMPARE(item->text, QStringLiteral("the longer one"));
    QCOMPARE(item->label, QStringLiteral("one month ago"));

    // On a tie the entry that comes first in the list wins; a day that is not written does not resurface.
    Entry* first = add("2024-04-14", QStringLiteral("first of two"), 3);
    add("2024-04-14", QStringLiteral("second of two"), 3);
    QCOMPARE(itemOn("2024-04-14")->entry, first);
    QVERIFY(!itemOn("2020-01-01"));
    QVERIFY(!resurfacedItem(QStringLiteral("x"), std::nullopt, m_journal->store->entries(), *m_journal->key));
}

void TestLookingBack::emptyOrUnreadableTextsAreNotShown()
{
    // The chosen entry is empty: no other entry of that day is tried.
    add("2024-04-14", QString(), 30);
    add("2024-04-14", QStringLiteral("has text"), 10);
    QVERIFY(!itemOn("2024-04-14"));

    const auto otherKey = EntryKey::random();
    Entry* unreadable = add("2024-04-15", QStringLiteral("sealed elsewhere"), 30, otherKey.get());
    QCOMPARE(entryText(*unreadable, *m_journal->key), QString());
    QVERIFY(!itemOn("2024-04-15"));

    // Blank text is still text.
    add("2024-04-16", QStringLiteral("  \n "), 0);
    QCOMPARE(itemOn("2024-04-16")->text, QStringLiteral("  \n "));
}

void TestLookingBack::itemsFollowTheJournalDay()
{
    // 01:30 on 15 May is still 14 May: the candidates are 14 April and 14 May a year before.
    const QDateTime smallHours = QDateTime(QDate(2024, 5, 15), QTime(1, 30), QTimeZone("America/New_York")).toUTC();
    QVERIFY(resurfacedItems(m_journal->store->entries(), *m_journal->key, smallHours, m_calendar).empty());

    add("2023-05-14", QStringLiteral("a year"), 5);
    std::vector<ResurfacedItem> items
        = resurfacedItems(m_journal->store->entries(), *m_journal->key, smallHours, m_calendar);
    QCOMPARE(items.size(), std::size_t(1));
    QCOMPARE(items.front().label, QStringLiteral("one year ago"));

    add("2024-04-14", QStringLiteral("a month"), 5);
    add("2024-04-15", QStringLiteral("the wrong day"), 500);
    items = resurfacedItems(m_journal->store->entries(), *m_journal->key, smallHours, m_calendar);
    QCOMPARE(items.size(), std::size_t(2));
    QCOMPARE(items.at(0).label, QStringLiteral("one month ago"));
    QCOMPARE(items.at(0).text, QStringLiteral("a month"));
    QCOMPARE(items.at(1).text, QStringLiteral("a year"));
}

void TestLookingBack::monthKeysAndPreviousMonths()
{
    QCOMPARE(monthKeyOf(QStringLiteral("2025-04-17")), QStringLiteral("2025-04"));
    QCOMPARE(monthKeyOf(QStringLiteral("2025--4-17")), QStringLiteral("2025-4"));
    QCOMPARE(monthKeyOf(QStringLiteral("2025-04")), std::nullopt);
    QCOMPARE(monthKeyOf(QStringLiteral("2025-04-17-1")), std::nullopt);

    const PreviousMonth february = *previousMonthDays(QStringLiteral("2024-03-31"), m_calendar);
    QCOMPARE(february.monthName, QStringLiteral("february"));
    QCOMPARE(february.dayCount, 29);
    QCOMPARE(february.dayKeys.first(), QStringLiteral("2024-02-01"));
    QCOMPARE(february.dayKeys.last(), QStringLiteral("2024-02-29"));
    QCOMPARE(previousMonthDays(QStringLiteral("2025-01-10"), m_calendar)->dayKeys.first(),
             QStringLiteral("2024-12-01"));
    QCOMPARE(previousMonthDays(QStringLiteral("nope"), m_calendar), std::nullopt);

    // The stand-alone name in the user's language, in lower case.
    const Calendar russian = Calendar::make(QStringLiteral("ru_RU"), QStringLiteral("Europe/Moscow"));
    QCOMPARE(previousMonthDays(QStringLiteral("2024-04-01"), russian)->monthName, QStringLiteral("март"));
    const Calendar buddhist = Calendar::make(QStringLiteral("th_TH@calendar=buddhist"), QStringLiteral("Asia/Bangkok"));
    const PreviousMonth thai = *previousMonthDays(QStringLiteral("2567-03-05"), buddhist);
    QCOMPARE(thai.dayCount, 29);
    QCOMPARE(thai.dayKeys.last(), QStringLiteral("2567-02-29"));
}

void TestLookingBack::recapOfAMonth()
{
    add("2025-03-02", QStringLiteral("first"), 400);
    add("2025-03-09", QStringLiteral("\n\nThe longest entry of March\nmore"), 600);
    add("2025-03-09", QStringLiteral("same day"), 200);
    add("2025-03-31", QStringLiteral("last"), 4);
    add("2025-02-28", QStringLiteral("February"), 9000);
    add("2025-04-01", QStringLiteral("April"), 9000);
    QCOMPARE(recapAt(4, 1, 9),
             (RecapData{QStringLiteral("march"), 3, 31, 1204, QStringLiteral("The longest entry of March"),
                        QStringLiteral("begin april"), QStringLiteral("recap.shown.2025-04")}));

    // The longest entry cannot be opened: the recap comes all the same, without a line.
    const auto lost = EntryKey::random();
    add("2025-03-20", QStringLiteral("unreadable"), 700, lost.get());
    const std::optional<RecapData> withoutLine = recapAt(4, 1, 9);
    QCOMPARE(withoutLine->line, std::nullopt);
    QCOMPARE(withoutLine->totalWords, 1904);
}

void TestLookingBack::recapIsDueOncePerMonth()
{
    Preferences preferences;
    // No entry in the previous month: nothing, and nothing stored.
    QCOMPARE(recapAt(4, 1, 9, preferences), std::nullopt);
    QVERIFY(!preferences.contains(QStringLiteral("recap.shown.2025-04")));

    add("2025-02-10", QStringLiteral("one"), 1);
    add("2025-03-10", QStringLiteral("two"), 1);

    // At 01:00 on 1 April the journal day is 31 March: the recap covers February, the flag is March's, and
    // the button already names April.
    const std::optional<RecapData> early = recapAt(4, 1, 1, preferences);
    QCOMPARE(early->monthLabel, QStringLiteral("february"));
    QCOMPARE(early->dayCount, 28);
    QCOMPARE(early->totalWords, 1);
    QCOMPARE(early->flagKey, QStringLiteral("recap.shown.2025-03"));
    QCOMPARE(early->beginLabel, QStringLiteral("begin april"));

    // Dismissed on 2 April: not again in April; May brings April's recap.
    preferences.setBool(QStringLiteral("recap.shown.2025-04"), true);
    QCOMPARE(recapAt(4, 2, 9, preferences), std::nullopt);
    QCOMPARE(recapAt(4, 30, 23, preferences), std::nullopt);
    add("2025-04-20", QStringLiteral("three"), 7);
    QCOMPARE(recapAt(5, 1, 9, preferences)->monthLabel, QStringLiteral("april"));
}

void TestLookingBack::quotedLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line"); // "-" for none

    QTest::newRow("blank lines first, spaces kept")
        << QStringLiteral("\n\n  two words  \nlater") << QStringLiteral("  two words  ");
    QTest::newRow("tabs and no-break spaces are blank")
        << QStringLiteral("\t \u00A0\u3000\r\nreal") << QStringLiteral("real");
    QTest::newRow("every kind of line end")
        << QStringLiteral(" \u000B \u000C \r \u0085 \u2028 \u2029x") << QStringLiteral("x");
    QTest::newRow("zero-width space is not blank") << QStringLiteral("\u200B\nnext") << QStringLiteral("\u200B");
    QTest::newRow("empty") << QString() << QStringLiteral("-");
    QTest::newRow("only blanks") << QStringLiteral(" \n\t\n") << QStringLiteral("-");
}

void TestLookingBack::quotedLine()
{
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(firstNonBlankLine(text), line == u"-" ? std::nullopt : std::optional<QString>(line));
}

QTEST_GUILESS_MAIN(TestLookingBack)
#include "TestLookingBack.moc"
