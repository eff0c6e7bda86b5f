// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/LookingBack.h"
#include "history/MonthRecap.h"
#include "history/Statistics.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WrittenDays.h"

#include "TempJournal.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace wendle;

namespace {

Calendar calendar(const char* locale, const char* zone)
{
    return Calendar::make(QString::fromLatin1(locale), QString::fromLatin1(zone));
}

/** Day keys written one space apart. */
QSet<QString> keys(const char* list)
{
    const QStringList split = QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts);
    return QSet<QString>(split.begin(), split.end());
}

// Every calendar the figures must agree on, fast or not.
const std::vector<Calendar>& calendars()
{
    static const std::vector<Calendar> all = {
        calendar("en_US", "America/New_York"),
        calendar("de_DE", "Europe/Berlin"),
        calendar("en_AU", "Australia/Lord_Howe"),
        calendar("en_WS", "Pacific/Apia"),
        calendar("th_TH@calendar=buddhist", "Asia/Bangkok"),
    };
    return all;
}

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void lookBackAndPreviousMonths();
    void resurfacesTheLongestReadableEntry();
    void itemsFollowTheJournalDay();
    void recapOfAMonth();
    void recapIsDueOncePerMonth();
    void dayIsWrittenAtTwentyWords();
    void streaksAndWeeks();
    void fastFiguresMatchTheCalendarWalk();
    void heatmap();

private:
    Entry* add(const char* dayKey, const QString& text, qint64 words, const EntryKey* key = nullptr)
    {
        return m_journal->add(QString::fromLatin1(dayKey), QStringLiteral("memory-001"), text, words, {}, key);
    }
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
    const Calendar m_calendar = calendar("en_US", "America/New_York");
};

void TestStatistics::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestStatistics::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    m_journal = std::make_unique<test::TempJournal>();
}

void TestStatistics::lookBackAndPreviousMonths()
{
    const auto back = [&](const char* key, LookBackUnit unit) {
        return lookBackDayKey(QString::fromLatin1(key), unit, m_calendar);
    };
    // A month back from a longer month ends on the shorter one's last day.
    QCOMPARE(back("2024-03-31", LookBackUnit::month), QStringLiteral("2024-02-29"));
    QCOMPARE(back("2028-02-29", LookBackUnit::year), QStringLiteral("2027-02-28"));
    QCOMPARE(back("bad", LookBackUnit::year), std::nullopt);

    const Calendar buddhist = calendar("th_TH@calendar=buddhist", "Asia/Bangkok");
    QCOMPARE(lookBackDayKey(QStringLiteral("2567-03-31"), LookBackUnit::month, buddhist), QStringLiteral("2567-02-29"));

    QCOMPARE(monthKeyOf(QStringLiteral("2025-04-17")), QStringLiteral("2025-04"));
    QCOMPARE(monthKeyOf(QStringLiteral("2025--4-17")), QStringLiteral("2025-4"));
    QCOMPARE(monthKeyOf(QStringLiteral("2025-04")), std::nullopt);
    QCOMPARE(monthKeyOf(QStringLiteral("2025-04-17-1")), std::nullopt);

    const PreviousMonth february = *previousMonthDays(QStringLiteral("2024-03-31"), m_calendar);
    QCOMPARE(february.monthName, QStringLiteral("february"));
    QCOMPARE(february.dayCount, 29);
    QCOMPARE(february.dayKeys.last(), QStringLiteral("2024-02-29"));
    QCOMPARE(previousMonthDays(QStringLiteral("2025-01-10"), m_calendar)->dayKeys.first(),
             QStringLiteral("2024-12-01"));
    QCOMPARE(previousMonthDays(QStringLiteral("nope"), m_calendar), std::nullopt);

    // The stand-alone name in the user's language, in lower case.
    QCOMPARE(previousMonthDays(QStringLiteral("2024-04-01"), calendar("ru_RU", "Europe/Moscow"))->monthName,
             QStringLiteral("март"));
    const PreviousMonth thai = *previousMonthDays(QStringLiteral("2567-03-05"), buddhist);
    QCOMPARE(thai.dayCount, 29);
    QCOMPARE(thai.dayKeys.last(), QStringLiteral("2567-02-29"));
}

void TestStatistics::resurfacesTheLongestReadableEntry()
{
    add("2023-05-14", QStringLiteral("short"), 40);
    Entry* longer = add("2023-05-14", QStringLiteral("the longer one"), 120);
    add("2023-05-13", QStringLiteral("another day"), 500);
    std::optional<ResurfacedItem> item = itemOn("2023-05-14");
    QVERIFY(item);
    QCOMPARE(item->entry, longer);
    QCOMPARE(item->text, QStringLiteral("the longer one"));

    // On a tie the entry that comes first in the list wins; a day that is not written does not resurface.
    Entry* first = add("2024-04-14", QStringLiteral("first of two"), 3);
    add("2024-04-14", QStringLiteral("second of two"), 3);
    QCOMPARE(itemOn("2024-04-14")->entry, first);
    QVERIFY(!itemOn("2020-01-01"));
    QVERIFY(!resurfacedItem(QStringLiteral("x"), std::nullopt, m_journal->store->entries(), *m_journal->key));

    // The chosen entry is empty: no other entry of that day is tried.
    add("2024-04-13", QString(), 30);
    add("2024-04-13", QStringLiteral("has text"), 10);
    QVERIFY(!itemOn("2024-04-13"));

    const auto otherKey = EntryKey::random();
    add("2024-04-15", QStringLiteral("sealed elsewhere"), 30, otherKey.get());
    QVERIFY(!itemOn("2024-04-15"));

    // Blank text is still text.
    add("2024-04-16", QStringLiteral("  \n "), 0);
    QCOMPARE(itemOn("2024-04-16")->text, QStringLiteral("  \n "));
}

void TestStatistics::itemsFollowTheJournalDay()
{
    // 01:30 on 15 May is still 14 May: the candidates are 14 April and 14 May a year before.
    const QDateTime smallHours = QDateTime(QDate(2024, 5, 15), QTime(1, 30), QTimeZone("America/New_York")).toUTC();
    add("2023-05-14", QStringLiteral("a year"), 5);
    const auto items
        = [&] { return resurfacedItems(m_journal->store->entries(), *m_journal->key, smallHours, m_calendar); };
    QCOMPARE(items().size(), std::size_t(1));
    QCOMPARE(items().front().label, QStringLiteral("one year ago"));
    add("2024-04-14", QStringLiteral("a month"), 5);
    add("2024-04-15", QStringLiteral("the wrong day"), 500);
    QCOMPARE(items().size(), std::size_t(2));
    QCOMPARE(items().at(0).label, QStringLiteral("one month ago"));
    QCOMPARE(items().at(0).text, QStringLiteral("a month"));
    QCOMPARE(items().at(1).text, QStringLiteral("a year"));
}

void TestStatistics::recapOfAMonth()
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

    // The quoted line: blank lines go first and spaces stay; tabs, no-break spaces and every kind of line end are
    // blank; a zero-width space is not.
    const auto line = [](const QString& text) { return firstNonBlankLine(text); };
    QCOMPARE(line(QStringLiteral("\n\n  two words  \nlater")), QStringLiteral("  two words  "));
    QCOMPARE(line(QStringLiteral("\t \u00A0\u3000\r\nreal")), QStringLiteral("real"));
    QCOMPARE(line(QStringLiteral(" \u000B \u000C \r \u0085 \u2028 \u2029x")), QStringLiteral("x"));
    QCOMPARE(line(QStringLiteral("\u200B\nnext")), QStringLiteral("\u200B"));
    QCOMPARE(line(QString()), std::nullopt);
    QCOMPARE(line(QStringLiteral(" \n\t\n")), std::nullopt);
}

void TestStatistics::recapIsDueOncePerMonth()
{
    Preferences preferences;
    // No entry in the previous month: nothing, and nothing stored.
    QCOMPARE(recapAt(4, 1, 9, preferences), std::nullopt);
    QVERIFY(!preferences.contains(QStringLiteral("recap.shown.2025-04")));

    add("2025-02-10", QStringLiteral("one"), 1);
    add("2025-03-10", QStringLiteral("two"), 1);

    // At 01:00 on 1 April the journal day is 31 March: the recap covers February, the flag is March's, and
    // the button already names April.
    QCOMPARE(recapAt(4, 1, 1, preferences),
             (RecapData{QStringLiteral("february"), 1, 28, 1, QStringLiteral("one"), QStringLiteral("begin april"),
                        QStringLiteral("recap.shown.2025-03")}));

    // Dismissed on 2 April: not again in April; May brings April's recap.
    preferences.setBool(QStringLiteral("recap.shown.2025-04"), true);
    QCOMPARE(recapAt(4, 2, 9, preferences), std::nullopt);
    QCOMPARE(recapAt(4, 30, 23, preferences), std::nullopt);
    add("2025-04-20", QStringLiteral("three"), 7);
    QCOMPARE(recapAt(5, 1, 9, preferences)->monthLabel, QStringLiteral("april"));
}

void TestStatistics::dayIsWrittenAtTwentyWords()
{
    // The words of a day add up over its prompts, two entries of one prompt (the store does not forbid it) too.
    add("2024-03-01", QString(), 19);
    add("2024-03-02", QString(), 20);
    add("2024-03-03", QString(), 12);
    m_journal->add(QStringLiteral("2024-03-03"), Entry::freeformPromptID, QString(), 8);
    add("2024-03-04", QString(), 10);
    const Entry* late = add("2024-03-04", QString(), 10);
    add("2024-03-05", QString(), 0);
    QCOMPARE(wordsByDay(m_journal->store->entries()).value(QStringLiteral("2024-03-04")), 20);
    QCOMPARE(completedDayKeys(m_journal->store->entries()), keys("2024-03-02 2024-03-03 2024-03-04"));

    // An entry is today's until 03:00 the next morning.
    const Calendar berlin = calendar("en_US", "Europe/Berlin");
    const QDateTime three = QDateTime(QDate(2024, 3, 5), QTime(3, 0), QTimeZone("Europe/Berlin")).toUTC();
    QVERIFY(isTodayEntry(*late, three.addSecs(-1), berlin));
    QVERIFY(!isTodayEntry(*late, three, berlin));
}

void TestStatistics::streaksAndWeeks()
{
    for (const Calendar& cal : calendars()) {
        if (cal.type() != u"gregorian") {
            continue;
        }
        const auto current = [&](const char* written, const char* today) {
            return currentStreak(keys(written), QString::fromLatin1(today), cal);
        };
        const char* threeBefore = "2024-03-02 2024-03-03 2024-03-04";
        // Today unwritten does not break the streak; once written it counts.
        QCOMPARE(current(threeBefore, "2024-03-05"), 3);
        QCOMPARE(current("2024-03-02 2024-03-03 2024-03-04 2024-03-05", "2024-03-05"), 4);
        // Today and yesterday unwritten: whatever lies further back, the streak is 0.
        QCOMPARE(current(threeBefore, "2024-03-06"), 0);
        QCOMPARE(current(threeBefore, "not a day"), 0);
        // A today key spelt differently still names the day.
        QCOMPARE(current(threeBefore, "2024-3-5"), 3);
        // Across month and year ends, and the spring and autumn nights of both hemispheres.
        QCOMPARE(current("2023-02-27 2023-02-28 2023-03-01", "2023-03-01"), 3);
        QCOMPARE(current("2024-02-28 2024-02-29 2024-03-01", "2024-03-01"), 3);
        QCOMPARE(current("2024-12-30 2024-12-31 2025-01-01", "2025-01-01"), 3);
        const char* clockChanges = "2024-03-09 2024-03-10 2024-03-11 2024-03-30 2024-03-31 2024-04-01 "
                                   "2024-04-06 2024-04-07 2024-04-08";
        for (const char* today : {"2024-03-11", "2024-04-01", "2024-04-08"}) {
            QVERIFY2(current(clockChanges, today) == 3, qPrintable(cal.timeZoneId() + u' ' + QLatin1String(today)));
        }
        QCOMPARE(bestStreak(keys(clockChanges), cal), 3);
    }

    // Samoa never had 30 December 2011: the 29th and the 31st are consecutive days there.
    const Calendar apia = calendar("en_WS", "Pacific/Apia");
    const QSet<QString> aroundTheJump = keys("2011-12-28 2011-12-29 2011-12-31 2012-01-01");
    QCOMPARE(currentStreak(aroundTheJump, QStringLiteral("2012-01-01"), apia), 4);
    QCOMPARE(bestStreak(aroundTheJump, apia), 4);
    QCOMPARE(currentStreak(aroundTheJump, QStringLiteral("2012-01-01"), calendar("en_US", "America/New_York")), 2);

    // The best run: nothing, one day, garbage ignored; two equal runs, one over a year end, are not added.
    const Calendar newYork = calendar("en_US", "America/New_York");
    QCOMPARE(bestStreak({}, newYork), 0);
    QCOMPARE(bestStreak(keys("garbage 2024-03-05 2024-13-40-1"), newYork), 1);
    QCOMPARE(bestStreak(keys("2023-12-30 2023-12-31 2024-01-01 2024-06-01 2024-06-02 2024-06-03"), newYork), 3);
    // "2024-3-4" names 4 March, but the walk looks for the key "2024-03-04", which is not there.
    QCOMPARE(bestStreak(keys("2024-3-4 2024-03-05 2024-03-06"), newYork), 2);

    // Buddhist years are the keys' years; the days are Gregorian days.
    const Calendar buddhist = calendar("th_TH@calendar=buddhist", "Asia/Bangkok");
    const QSet<QString> written = keys("2567-02-28 2567-02-29 2567-03-01 2567-03-02");
    QCOMPARE(currentStreak(written, QStringLiteral("2567-03-03"), buddhist), 4);
    QCOMPARE(bestStreak(written, buddhist), 4);
    // Gregorian keys mean other days there: 2024 is not a leap year as a Buddhist year (1481).
    QCOMPARE(bestStreak(keys("2024-02-28 2024-02-29"), buddhist), 1);

    // The Hebrew calendar has no Gregorian shortcut: its months are walked by the calendar.
    const Calendar hebrew = calendar("he_IL@calendar=hebrew", "Asia/Jerusalem");
    const QSet<QString> newYear = keys("5784-13-29 5785-01-01 5785-01-02");
    QCOMPARE(currentStreak(newYear, QStringLiteral("5785-01-02"), hebrew), 3);
    QCOMPARE(daysWrittenThisWeek(newYear, QStringLiteral("5785-01-02"), hebrew), 3);

    // The week follows the locale. Sunday 10 March 2024: Monday weeks hold the six days before; Sunday weeks start
    // that very day and count all seven of their days, those after today included.
    const QSet<QString> week
        = keys("2024-03-03 2024-03-04 2024-03-06 2024-03-09 2024-03-10 2024-03-12 2024-03-16 2024-03-17");
    const Calendar monday = calendar("de_DE", "Europe/Berlin");
    const Calendar sunday = calendar("en_US", "America/New_York");
    QCOMPARE(daysWrittenThisWeek(week, QStringLiteral("2024-03-10"), monday), 4);
    QCOMPARE(daysWrittenThisWeek(week, QStringLiteral("2024-03-10"), sunday), 3);
    QCOMPARE(daysWrittenThisWeek(week, QStringLiteral("2024-03-11"), monday), 3);
    QCOMPARE(daysWrittenThisWeek(week, QStringLiteral("x"), sunday), 0);

    // A week across the year end, and one in Samoa without its 30 December.
    const QSet<QString> yearEnd = keys("2024-12-29 2024-12-31 2025-01-01 2025-01-04 2025-01-05");
    QCOMPARE(daysWrittenThisWeek(yearEnd, QStringLiteral("2025-01-02"), sunday), 4);
    QCOMPARE(daysWrittenThisWeek(yearEnd, QStringLiteral("2025-01-02"), monday), 4);
    QCOMPARE(daysWrittenThisWeek(keys("2011-12-25 2011-12-29 2011-12-31"), QStringLiteral("2011-12-29"), apia), 3);
}

void TestStatistics::fastFiguresMatchTheCalendarWalk()
{
    // Random journals, spelt-out keys and all, over two years across every zone's clock changes.
    QRandomGenerator random(20241206);
    for (const Calendar& cal : calendars()) {
        const QDateTime origin = *dateForDayKey(
            cal.type() == u"buddhist" ? QStringLiteral("2566-11-01") : QStringLiteral("2023-11-01"), cal);
        for (int round = 0; round < 12; ++round) {
            QSet<QString> written;
            QDateTime day = origin;
            for (int i = 0; i < 730; ++i) {
                day = *cal.adding(Calendar::Unit::day, 1, day);
                if (random.bounded(100) < 70) {
                    const DateComponents c = cal.components(day);
                    written.insert(random.bounded(50) == 0
                                       ? QStringLiteral("%1-%2-%3").arg(c.year).arg(c.month).arg(c.day)
                                       : calendarDayKey(day, cal));
                }
            }
            const QString today
                = calendarDayKey(*cal.adding(Calendar::Unit::day, static_cast<int>(random.bounded(740)), origin), cal);
            const QByteArray where = (cal.timeZoneId() + u' ' + today).toUtf8();
            QVERIFY2(currentStreak(written, today, cal) == detail::currentStreakByCalendar(written, today, cal),
                     where.constData());
            QVERIFY2(bestStreak(written, cal) == detail::bestStreakByCalendar(written, cal), where.constData());
            QVERIFY2(daysWrittenThisWeek(written, today, cal)
                         == detail::daysWrittenThisWeekByCalendar(written, today, cal),
                     where.constData());
        }
    }
}

void TestStatistics::heatmap()
{
    // Nothing is blank, a count gone wrong still marks the day as touched, and a written day shows it.
    QCOMPARE(heatmapLevel(0), 0);
    QCOMPARE(heatmapLevel(-5), 1);
    QCOMPARE(heatmapLevel(19), 1);
    QCOMPARE(heatmapLevel(20), 2);

    for (const Calendar& cal : calendars()) {
        // Wednesday 13 March 2024 (Buddhist 2567), just after the northern spring change.
        const QString todayKey
            = cal.type() == u"buddhist" ? QStringLiteral("2567-03-13") : QStringLiteral("2024-03-13");
        const QDateTime today = *dateForDayKey(todayKey, cal);
        const int weekdayIndex = cal.components(today).weekday - 1;
        QCOMPARE(weekdayIndex, 3);

        // Columns of weeks, rows of weekdays, consecutive days each once, ending today; none after it.
        QStringList days;
        const std::vector<std::optional<QString>> cells = heatmapDayKeys(today, weekdayIndex, cal);
        QCOMPARE(cells.size(), std::size_t(heatmapWeeks * 7));
        for (int column = 0; column < heatmapWeeks; ++column) {
            for (int row = 0; row < 7; ++row) {
                const std::optional<QDateTime> date = heatmapCellDate(column, row, today, weekdayIndex, cal);
                QCOMPARE(cells[static_cast<std::size_t>(column * 7 + row)],
                         date ? std::optional<QString>(calendarDayKey(*date, cal)) : std::nullopt);
                QCOMPARE(date.has_value(), column < heatmapWeeks - 1 || row <= weekdayIndex);
                if (date) {
                    QCOMPARE(cal.components(*date).weekday - 1, row);
                    QCOMPARE(*date, cal.startOfDay(*date));
                    days << calendarDayKey(*date, cal);
                }
            }
        }
        QCOMPARE(days.size(), 179);
        QCOMPARE(days.last(), todayKey);
        QCOMPARE(days.first(), calendarDayKey(*cal.adding(Calendar::Unit::day, -178, today), cal));
        QCOMPARE(QSet<QString>(days.begin(), days.end()).size(), days.size());
        QVERIFY(std::is_sorted(days.begin(), days.end()));
    }
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "TestStatistics.moc"
