// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/LookingBack.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include "TempJournal.h"

#include <QTest>
#include <QTimeZone>

using namespace wendle;

class TestLookingBack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void lookBackDays();
    void choosesTheLongestEntryOfTheDay();
    void emptyOrUnreadableTextsAreNotShown();
    void itemsFollowTheJournalDay();

private:
    Entry* add(const char* dayKey, const QString& text, qint64 words, const EntryKey* key = nullptr);
    std::optional<ResurfacedItem> itemOn(const char* dayKey) const
    {
        return resurfacedItem(QStringLiteral("one month ago"), QString::fromLatin1(dayKey), m_journal->store->entries(),
                              *m_journal->key);
    }

    std::unique_ptr<test::TempJournal> m_journal;
    const Calendar m_calendar = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
};

void TestLookingBack::init()
{
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

QTEST_GUILESS_MAIN(TestLookingBack)
#include "TestLookingBack.moc"
